#include "effects/Anim3dsPlayer.h"

#include "platform/Platform.h"

#include <GL/gl.h>

namespace {

constexpr const char* TEXTURE_PREFIX = "data\\";
constexpr uint32_t VIEW_WIDTH = 800;
constexpr uint32_t VIEW_HEIGHT = 600;

} // namespace

uint32_t animationFrame(uint32_t elapsed, int64_t offset, uint32_t duration,
                        float framesPerSecond) {
    if (duration == 0)
        return 0;
    int64_t looped = (static_cast<int64_t>(elapsed) + offset) % duration;
    if (looped < 0)
        looped += duration;
    return static_cast<uint32_t>(static_cast<float>(looped) * framesPerSecond * 0.001f);
}

Anim3dsPlayer::Anim3dsPlayer(const std::string& fileName) : fileName_(fileName) {
    load();
}

void Anim3dsPlayer::load() {
    if (scene_)
        scene_->releaseGlObjects();
    scene_ = std::make_unique<Scene3ds>(TEXTURE_PREFIX);
    if (!scene_->load(fileName_)) {
        const std::string text = "Could not load '" + fileName_ + "'";
        showMessageBox(nullptr, text.c_str(), "File not found", MB_OK);
        endShowOnFailure(-1);
        return; // only where a host took the failure: the empty scene draws nothing
    }
    scene_->prebuildLists();
}

void Anim3dsPlayer::releaseGlObjects() {
    scene_->releaseGlObjects();
}

void Anim3dsPlayer::render(uint32_t) {
    if (!shown_)
        return;
    if (unevaluatedFrame_ != NO_FRAME)
        scene_->setFrame(unevaluatedFrame_);
    unevaluatedFrame_ = NO_FRAME;
    if (stepClock())
        scene_->setFrame(frame_);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    scene_->render(VIEW_WIDTH, VIEW_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// The scene is evaluated only when drawn next: at the last frame advanced to that
// a render would have evaluated (one at or past the frame count changes nothing).
void Anim3dsPlayer::advance(uint32_t) {
    if (!shown_)
        return;
    if (stepClock() && frame_ < scene_->frameCount())
        unevaluatedFrame_ = frame_;
    scene_->compileReachedLists();
}

bool Anim3dsPlayer::stepClock() {
    const uint32_t now = milliseconds();
    if (startTime_ == 0)
        startTime_ = now;
    previousFrame_ = frame_;
    frame_ =
        animationFrame(now - startTime_, offset_, scene_->durationMs(), scene_->framesPerSecond());
    if (frame_ > scene_->frameCount()) {
        startTime_ = 0;
        frame_ = 0;
    }
    return frame_ != previousFrame_;
}

void Anim3dsPlayer::setParamString(ParamId code, const std::string& value) {
    if (code == param::FILE)
        fileName_ = value;
    else
        Layer::setParamString(code, value);
}

void Anim3dsPlayer::setParamInt(ParamId code, int32_t value) {
    if (code == param::OFFS)
        offset_ += value;
    else if (code == param::SHOW)
        shown_ = value != 0;
    else
        Layer::setParamInt(code, value);
}

void Anim3dsPlayer::setParamFloat(ParamId code, float value) {
    if (code == param::FRPS) {
        if (value > 0.0f)
            scene_->setFramesPerSecond(value);
    } else {
        Layer::setParamFloat(code, value);
    }
}
