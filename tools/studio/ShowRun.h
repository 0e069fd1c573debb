// One run of the show at a fixed frame rate: the frames glimmerfell would draw on
// a machine that shows exactly fps frames a second, frame n at demo time
// floor(n * 1000 / fps) (FixedStep.h). Everything the show builds up over its
// frames (events delivered, layers retired, the shared random sequence, swarms)
// is what such a run has at that time, because every frame before it is stepped.
//
// Frames that are only stepped on the way to another are not drawn. Those within
// SETTLE_MS of the drawn one go through the player like any other, with every
// fragment scissored away: layers keep all their state, the rasteriser does no
// work, and the OpenGL state the drawn frame starts from is what they leave. The
// earlier ones are only advanced (DemoPlayer::advanceFrame): each layer steps its
// own state (the swarms, the shared random sequence, the scenes' clocks) without
// drawing; except the frame in which a block is shown for the last time, stepped
// in full, as what the block leaves behind (a fader's material colour) outlives
// it. A drawn frame starts from a cleared framebuffer, so it never depends on
// what an earlier frame left there.
//
// From its first restart on, the run owns the milliseconds() clock hook: the
// player and every layer that reads the clock see the run's demo time (plus a
// fixed start reading). The hook is removed when the run is destroyed. While the
// run lives, the show's failures do not end the process (ShowFailures): the run
// reports them.
#pragma once

#include "images/PictureReuse.h"
#include "script/DemoPlayer.h"
#include "script/DemoScript.h"
#include "studio/ShowContext.h"
#include "studio/ShowFailures.h"

#include <cstdint>
#include <memory>
#include <string>

class ShowRun {
public:
    // How the frames on the way to a drawn one are stepped.
    enum class Stepping {
        ADVANCE_EARLY_FRAMES, // all but the last SETTLE_MS advanced only
        RENDER_EVERY_FRAME,   // each through the layers' render, scissored
    };
    // Before a drawn frame, the frames this close to it are stepped in full (two
    // at 60 frames a second).
    static constexpr uint32_t SETTLE_MS = 40;

    ShowRun(ShowContext& context, uint32_t fps, Stepping stepping = Stepping::ADVANCE_EARLY_FRAMES);
    // Destroys the show and releases the cached pictures (in the show's context).
    ~ShowRun();
    ShowRun(const ShowRun&) = delete;
    ShowRun& operator=(const ShowRun&) = delete;

    // Starts the show afresh from scriptText, as the program starts: a new
    // context (every OpenGL setting as at start-up), the process-wide random
    // generator as at start-up, the script parsed (problems, when given, receives
    // what the parser passed over), every layer made and loaded, the program's
    // pictures preloaded (those that are missing are left to the layers that use
    // them). The next frame is frame 0. The old show's layers release their GL
    // objects first. False, with failure(), when no context can be made or the
    // show failed while it was made (a scene or picture that cannot be read).
    bool restart(const std::string& scriptText, ScriptProblems* problems = nullptr);

    // Draws the frame at demo time t: the frames before it are stepped from the
    // current frame when t lies ahead of it on the fixed-rate line, otherwise
    // from a restart with the same script. A time between two frames of the rate
    // gets a frame of its own, after which the next seek restarts. False, with
    // failure(), when a needed restart fails or the show failed on the way (a
    // picture an event names cannot be read); the frame is drawn all the same
    // while running().
    bool seek(uint32_t t);

    // Draws the next frame of the fixed rate.
    void drawNextFrame();

    // Demo time of the frame stepped last (0 before the first).
    uint32_t time() const { return time_; }
    // The fixed-rate frame that comes next.
    uint32_t nextFrame() const { return nextFrame_; }
    uint32_t fps() const { return fps_; }
    const std::string& scriptText() const { return scriptText_; }
    const DemoPlayer& player() const { return *player_; }
    // False when the last restart could not make a context: there is no show.
    bool running() const { return player_ != nullptr; }
    ShowContext& context() { return context_; }
    const std::string& failure() const { return failure_; }

private:
    void step(uint32_t t, bool drawn);
    void advance(uint32_t t);
    bool endsABlock(uint32_t frame) const;
    void stepUntil(uint32_t t);
    void draw(uint32_t t);
    void closeShow();
    bool failed();

    ShowContext& context_;
    // The pictures one start decodes, for the next start of the run (a seek back).
    PictureReuse pictures_;
    ShowFailures failures_;
    std::string failure_;
    uint32_t fps_;
    Stepping stepping_;
    std::string scriptText_;
    std::unique_ptr<DemoScript> script_;
    std::unique_ptr<DemoPlayer> player_;
    uint32_t nextFrame_ = 0;
    uint32_t time_ = 0;
    bool stepped_ = false;
    bool offRate_ = false;
};
