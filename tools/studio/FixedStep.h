// Demo time at a fixed frame rate. Frame n of a run at fps frames a second is
// shown at demo time floor(n * 1000 / fps) milliseconds: at 60 fps frames fall at
// 0, 16, 33, 50, 66, ... ms. Every command of the studio steps the show this way.
#pragma once

#include <cstdint>

namespace fixedstep {

// The show's length: glimmerfell asks to quit once demo time passes it.
constexpr uint32_t SHOW_LENGTH_MS = 177000;

// Demo time of frame n.
constexpr uint32_t frameTime(uint32_t frame, uint32_t fps) {
    return static_cast<uint32_t>(uint64_t{frame} * 1000 / fps);
}

// The last frame shown at or before demo time t.
constexpr uint32_t frameAtOrBefore(uint32_t t, uint32_t fps) {
    return static_cast<uint32_t>(((uint64_t{t} + 1) * fps + 999) / 1000 - 1);
}

// The number of frames shown before demo time length: a video of that length.
constexpr uint32_t framesBefore(uint32_t length, uint32_t fps) {
    return length == 0 ? 0 : frameAtOrBefore(length - 1, fps) + 1;
}

} // namespace fixedstep
