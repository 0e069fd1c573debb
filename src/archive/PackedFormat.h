// Constants of the packed stream of an archive entry (RAR 2.0 compression): the
// window, the alphabets of the code tables and the fixed tables that turn a
// symbol plus extra bits into a match length or distance. Shared by the unpacker
// and the packer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr uint32_t WINDOW_SIZE = 1u << 20;
constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;

// Alphabet sizes of the code tables.
constexpr unsigned MAIN_SYMBOLS = 298;    // 256 literals and the match and control symbols
constexpr unsigned DISTANCE_SYMBOLS = 48; // distance slots of the long match form
constexpr unsigned LENGTH_SYMBOLS = 28;   // length slots of the recent-distance match form
constexpr unsigned PRE_CODE_SYMBOLS = 19; // the code that sends the other codes' lengths
constexpr unsigned AUDIO_SYMBOLS = 257;   // 256 byte deltas and the table switch
constexpr unsigned MAX_AUDIO_CHANNELS = 4;
constexpr unsigned NORMAL_TABLE_LENGTHS = MAIN_SYMBOLS + DISTANCE_SYMBOLS + LENGTH_SYMBOLS;
constexpr unsigned MAX_TABLE_LENGTHS = MAX_AUDIO_CHANNELS * AUDIO_SYMBOLS;
constexpr unsigned MAX_CODE_LENGTH = 15;

// Main-alphabet symbols above the literals.
constexpr unsigned REPEAT_LAST_MATCH = 256;
constexpr unsigned FIRST_RECENT_MATCH = 257; // 257..260: one of the four recent distances
constexpr unsigned FIRST_SHORT_MATCH = 261;  // 261..268: length 2, short distance
constexpr unsigned NEW_TABLES = 269;
constexpr unsigned FIRST_LONG_MATCH = 270; // 270..297: length slot, then a distance symbol
constexpr unsigned AUDIO_NEW_TABLES = 256;

// Pre-code symbols above the length deltas 0..15.
constexpr unsigned PRE_CODE_REPEAT = 16;     // repeat the previous length 3..6 times
constexpr unsigned PRE_CODE_ZEROS = 17;      // 3..10 zero lengths
constexpr unsigned PRE_CODE_MANY_ZEROS = 18; // 11..138 zero lengths

// A pre-code run symbol is followed by extraBits bits; the run is their value
// plus minimum.
struct PreCodeRun {
    unsigned extraBits;
    unsigned minimum;
    constexpr unsigned maximum() const { return minimum + (1u << extraBits) - 1; }
};
constexpr PreCodeRun REPEAT_RUN = {2, 3};      // PRE_CODE_REPEAT: 3..6
constexpr PreCodeRun ZERO_RUN = {3, 3};        // PRE_CODE_ZEROS: 3..10
constexpr PreCodeRun MANY_ZEROS_RUN = {7, 11}; // PRE_CODE_MANY_ZEROS: 11..138

// Bits of the table-set header.
constexpr unsigned TABLES_AUDIO_FLAG = 0x8000;
constexpr unsigned TABLES_KEEP_LENGTHS_FLAG = 0x4000;

// The longest match any form can produce (224 + 3 + 31 + 2); output is flushed
// before the write position comes within FLUSH_MARGIN bytes of unflushed data.
constexpr unsigned MAX_MATCH_LENGTH = 260;
constexpr unsigned FLUSH_MARGIN = 270;

// Match lengths as coded, before the distance adjustment below.
constexpr unsigned MIN_LONG_LENGTH = 3;   // long form: length slot value + 3
constexpr unsigned MIN_RECENT_LENGTH = 2; // recent-distance form: slot value + 2
constexpr unsigned SHORT_MATCH_LENGTH = 2;

// Far matches are never worth their bits when short, so the coded length of the
// long and recent-distance forms grows by one at each of these distances, and
// the recent-distance form by one more from RECENT_FORM_STEP on.
constexpr uint32_t LONG_FORM_STEP_1 = 8192;
constexpr uint32_t LONG_FORM_STEP_2 = 262144;
constexpr uint32_t RECENT_FORM_STEP = 257;

constexpr unsigned longLengthBonus(uint32_t distance) {
    return (distance >= LONG_FORM_STEP_1 ? 1u : 0u) + (distance >= LONG_FORM_STEP_2 ? 1u : 0u);
}

constexpr unsigned recentLengthBonus(uint32_t distance) {
    return longLengthBonus(distance) + (distance >= RECENT_FORM_STEP ? 1u : 0u);
}

// Each base is the previous base plus two to the previous slot's extra-bit count.
template <std::size_t N>
constexpr std::array<uint32_t, N> basesFor(const std::array<uint8_t, N>& extraBits,
                                           uint32_t first) {
    std::array<uint32_t, N> bases{};
    bases[0] = first;
    for (std::size_t i = 1; i < N; ++i)
        bases[i] = bases[i - 1] + (1u << extraBits[i - 1]);
    return bases;
}

constexpr std::array<uint8_t, LENGTH_SYMBOLS> LENGTH_EXTRA_BITS = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<uint32_t, LENGTH_SYMBOLS> LENGTH_BASES = basesFor(LENGTH_EXTRA_BITS, 0);

constexpr std::array<uint8_t, DISTANCE_SYMBOLS> DISTANCE_EXTRA_BITS = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::array<uint32_t, DISTANCE_SYMBOLS> DISTANCE_BASES = basesFor(DISTANCE_EXTRA_BITS, 0);

constexpr std::array<uint8_t, 8> SHORT_EXTRA_BITS = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr std::array<uint32_t, 8> SHORT_BASES = basesFor(SHORT_EXTRA_BITS, 0);

static_assert(LENGTH_BASES[27] == 224, "length slots");
static_assert(DISTANCE_BASES[32] == 65536 && DISTANCE_BASES[36] == 262144 &&
                  DISTANCE_BASES[47] == 983040,
              "distance slots");
static_assert(DISTANCE_BASES[47] + 65535 + 1 == WINDOW_SIZE, "distances reach the window size");
static_assert(SHORT_BASES[7] == 192, "short distance slots");
static_assert(LENGTH_BASES[27] + 3 + 31 + 2 == MAX_MATCH_LENGTH, "longest match");
