// What the encoder adds to the packed-stream constants it shares with the
// unpacker: the limits of what it chooses to code and the method bytes it writes.
#pragma once

#include "archive/PackedFormat.h"

#include <cstdint>

constexpr unsigned RECENT_DISTANCES = 4;
constexpr unsigned SHORT_SLOTS = SHORT_BASES.size();
constexpr unsigned PRE_CODE_LENGTH_BITS = 4;
constexpr unsigned MAX_LENGTH_VALUE = 255; // largest length value a slot codes
constexpr unsigned MAX_SHORT_DISTANCE = 256;

constexpr uint8_t METHOD_NORMAL = 0x33;
constexpr uint8_t METHOD_BEST = 0x35;
