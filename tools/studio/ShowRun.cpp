#include "studio/ShowRun.h"

#include "app/GlExtensions.h"
#include "app/GlState.h"
#include "app/Program.h"
#include "effects/ButterflySwarms.h"
#include "effects/EnvironmentCubeMap.h"
#include "effects/RenderWarper.h"
#include "platform/Platform.h"
#include "studio/FixedStep.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

namespace {

// The clock reading at demo time 0. Layers that keep their own clock take a
// reading of 0 to mean "not started", as glimmerfell's clock never reads 0 by
// the time the show starts.
constexpr uint32_t CLOCK_AT_SHOW_START = 10000;

// Process-wide state as at program start: the generator unseeded (state 1), with
// the one value taken that the window's constructor draws, and no butterfly swarm
// made yet. (The warp's shared texture goes with the old context, in closeShow.)
// Every effect that keeps state of its own for the whole process needs its reset
// here.
void resetProcessWideState() {
    runtimeSrand(1);
    runtimeRand();
    resetButterflySwarms();
}

} // namespace

ShowRun::ShowRun(ShowContext& context, uint32_t fps, Stepping stepping)
    : context_(context), fps_(fps), stepping_(stepping) {}

ShowRun::~ShowRun() {
    closeShow();
    setClockForTesting(nullptr);
}

void ShowRun::closeShow() {
    context_.makeCurrent();
    if (player_) {
        // The context outlives the layers: what they made would stay in it.
        for (LayerEntry* entry : player_->entries()) {
            if (Layer* layer = entry->layer())
                layer->releaseGlObjects();
        }
    }
    player_.reset();
    script_.reset();
    TextureCache::releaseAll();
    RenderWarper::releaseWarpTexture();
}

bool ShowRun::restart(const std::string& scriptText, ScriptProblems* problems) {
    closeShow();
    scriptText_ = scriptText;
    nextFrame_ = 0;
    time_ = 0;
    stepped_ = false;
    offRate_ = false;
    setClockForTesting([this] { return CLOCK_AT_SHOW_START + time_; });
    failed(); // what an earlier show left is not this one's
    if (!context_.renew()) {
        failure_ = context_.failure();
        return false;
    }
    setDefaultGlState();
    loadGlExtensions();
    setLightingState();
    resetProcessWideState();
    {
        // As the program starts: the cube maps are built from faces decoded once.
        const CubeFaceReuse faceReuse;
        script_ = std::make_unique<DemoScript>();
        script_->parse(scriptText_, problems);
        player_ = std::make_unique<DemoPlayer>(*script_);
        player_->loadLayers();
    }
    preloadPictures(); // what is missing is left to the layers that use it
    setClientView(context_.width(), context_.height());
    return !failed();
}

bool ShowRun::seek(uint32_t t) {
    const bool ahead = !offRate_ && t > time_;
    const bool restarted = !stepped_ || ahead || restart(scriptText_);
    if (!running())
        return false;
    stepUntil(t);
    draw(t);
    return !failed() && restarted;
}

bool ShowRun::failed() {
    return failures_.take(failure_);
}

void ShowRun::drawNextFrame() {
    draw(fixedstep::frameTime(nextFrame_, fps_));
}

void ShowRun::stepUntil(uint32_t t) {
    const bool advancing = stepping_ == Stepping::ADVANCE_EARLY_FRAMES;
    while (fixedstep::frameTime(nextFrame_, fps_) < t) {
        const uint32_t frameTime = fixedstep::frameTime(nextFrame_, fps_);
        if (advancing && t - frameTime > SETTLE_MS && !endsABlock(nextFrame_))
            advance(frameTime);
        else
            step(frameTime, false);
        ++nextFrame_;
    }
}

bool ShowRun::endsABlock(uint32_t frame) const {
    const uint32_t t = fixedstep::frameTime(frame, fps_);
    const uint32_t next = fixedstep::frameTime(frame + 1, fps_);
    for (const LayerEntry* entry : player_->entries()) {
        if (entry->layer() && entry->start() <= t && t <= entry->end() && entry->end() < next)
            return true;
    }
    return false;
}

void ShowRun::advance(uint32_t t) {
    time_ = t;
    stepped_ = true;
    player_->advanceFrame();
}

void ShowRun::draw(uint32_t t) {
    step(t, true);
    offRate_ = fixedstep::frameTime(nextFrame_, fps_) != t;
    if (!offRate_)
        ++nextFrame_;
}

void ShowRun::step(uint32_t t, bool drawn) {
    time_ = t;
    stepped_ = true;
    if (drawn) {
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_SCISSOR_BIT);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPopAttrib();
        player_->renderFrame();
        return;
    }
    glPushAttrib(GL_SCISSOR_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 0, 0);
    player_->renderFrame();
    glPopAttrib();
}
