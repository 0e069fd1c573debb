// What the encoder adds to the packed-stream constants it shares with the
// unpacker: the limits of the match forms and the method bytes it writes.
#pragma once

#include "resources/PackedFormat.h"

#include <cstdint>

constexpr unsigned RECENT_DISTANCES = 4;
constexpr unsigned SHORT_SLOTS = SHORT_BASES.size();
constexpr unsigned PRE_CODE_LENGTH_BITS = 4;

// Match lengths the decoder adds for far distances.
constexpr uint32_t LONG_FORM_STEP_1 = 8192;
constexpr uint32_t LONG_FORM_STEP_2 = 262144;
constexpr uint32_t RECENT_FORM_STEP = 257;
constexpr unsigned MIN_LONG_LENGTH = 3;    // before the distance adjustment
constexpr unsigned MIN_RECENT_LENGTH = 2;  // before the distance adjustment
constexpr unsigned MAX_LENGTH_VALUE = 255; // largest length value a slot codes
constexpr unsigned MAX_SHORT_DISTANCE = 256;

inline unsigned longLengthBonus(uint32_t distance) {
    return (distance >= LONG_FORM_STEP_1 ? 1u : 0u) + (distance >= LONG_FORM_STEP_2 ? 1u : 0u);
}

inline unsigned recentLengthBonus(uint32_t distance) {
    return longLengthBonus(distance) + (distance >= RECENT_FORM_STEP ? 1u : 0u);
}

constexpr uint8_t METHOD_NORMAL = 0x33;
constexpr uint8_t METHOD_BEST = 0x35;
