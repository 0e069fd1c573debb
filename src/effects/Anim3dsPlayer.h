// The layer that plays one 3DS scene's keyframe animation on a clock of its own,
// started at the first frame it is shown and looped over the scene's length,
// through the scene's camera with an 800 × 600 aspect.
#pragma once

#include "effects/Scene3ds.h"
#include "layers/Layer.h"

#include <cstdint>
#include <memory>
#include <string>

class Anim3dsPlayer : public Layer {
public:
    // Keeps fileName (the script block's argument, "data\x" for data/x on disk)
    // and loads the scene at once, so a player made by another layer is ready.
    explicit Anim3dsPlayer(const std::string& fileName);

    // Reads the file into a new scene that takes the place of the one held (whose
    // GL objects are released) and compiles its top-level nodes. A file that
    // cannot be read ends the process at once after a "File not found" box
    // (endShowOnFailure: a host that takes the failure gets a player that draws
    // nothing).
    void load() override;
    // The scene's display lists and cube map.
    void releaseGlObjects() override;
    // The layer time is not used: the player keeps its own clock.
    void render(uint32_t time) override;
    // The clock, the animation frame and the lists a render compiles, without
    // drawing.
    void advance(uint32_t time) override;
    // FILE: the file the next load reads.
    void setParamString(ParamId code, const std::string& value) override;
    // OFFS: moves the animation by that many milliseconds (repeated values add
    // up). SHOW: draws (not 0) or not; the clock runs on while hidden.
    void setParamInt(ParamId code, int32_t value) override;
    // FRPS: the scene's frames per second; 0 or below is ignored.
    void setParamFloat(ParamId code, float value) override;

    // The animation frame last evaluated.
    uint32_t frame() const { return frame_; }
    Scene3ds& scene() { return *scene_; }

private:
    static constexpr uint32_t NO_FRAME = 0xFFFFFFFFu;

    // Starts the clock at the first call and takes the animation frame due now;
    // true when it is another than the last one.
    bool stepClock();

    std::unique_ptr<Scene3ds> scene_;
    uint32_t frame_ = 0;
    uint32_t previousFrame_ = 0;
    uint32_t unevaluatedFrame_ = NO_FRAME; // advanced to, the scene not evaluated
    uint32_t startTime_ = 0;               // clock at frame 0; 0 until first shown
    int64_t offset_ = 0;                   // sum of the OFFS values
    std::string fileName_;
    bool shown_ = true;
};

// The frame shown elapsed milliseconds (plus offset) after the start of a loop of
// duration milliseconds: the non-negative remainder of elapsed + offset by the
// duration, times framesPerSecond ÷ 1000, truncated. Frame 0 for a duration of 0.
uint32_t animationFrame(uint32_t elapsed, int64_t offset, uint32_t duration, float framesPerSecond);
