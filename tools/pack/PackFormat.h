// The packed-entry format as the encoder writes it: an LZ77 stream over a 1 MiB
// window, coded with canonical Huffman tables that are sent in table sets, or a
// multimedia stream of per-channel prediction errors.
#pragma once

#include <cstdint>

constexpr uint32_t WINDOW_SIZE = 1u << 20;

constexpr unsigned MAIN_SYMBOLS = 298;
constexpr unsigned DISTANCE_SYMBOLS = 48;
constexpr unsigned REPEAT_LENGTH_SYMBOLS = 28;
constexpr unsigned PRE_CODE_SYMBOLS = 19;
constexpr unsigned AUDIO_SYMBOLS = 257;
constexpr unsigned MAX_AUDIO_CHANNELS = 4;
// Lengths in a normal table set (main, distance, repeat length) and the most a
// table set can hold (four audio channels).
constexpr unsigned NORMAL_TABLE_LENGTHS = MAIN_SYMBOLS + DISTANCE_SYMBOLS + REPEAT_LENGTH_SYMBOLS;
constexpr unsigned MAX_TABLE_LENGTHS = MAX_AUDIO_CHANNELS * AUDIO_SYMBOLS;
constexpr unsigned MAX_CODE_LENGTH = 15;
constexpr unsigned PRE_CODE_LENGTH_BITS = 4;

// Main alphabet: 0..255 literals, then the match forms.
constexpr unsigned SYMBOL_REPEAT_LAST = 256;
constexpr unsigned SYMBOL_RECENT = 257; // 257..260: recent distance 1..4 places back
constexpr unsigned SYMBOL_SHORT = 261;  // 261..268: length 2, distance up to 256
constexpr unsigned SYMBOL_NEW_TABLES = 269;
constexpr unsigned SYMBOL_LONG = 270; // 270..297: length slot, then a distance symbol
constexpr unsigned AUDIO_NEW_TABLES = 256;
constexpr unsigned RECENT_DISTANCES = 4;

// Pre-code symbols beyond the sixteen length deltas.
constexpr unsigned PRE_REPEAT_PREVIOUS = 16; // 3..6 copies of the length before
constexpr unsigned PRE_ZEROS_SHORT = 17;     // 3..10 zero lengths
constexpr unsigned PRE_ZEROS_LONG = 18;      // 11..138 zero lengths

constexpr unsigned LENGTH_SLOTS = 28;
constexpr uint8_t LENGTH_BASES[LENGTH_SLOTS] = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t LENGTH_BITS[LENGTH_SLOTS] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                               2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

constexpr unsigned SHORT_SLOTS = 8;
constexpr uint8_t SHORT_BASES[SHORT_SLOTS] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t SHORT_BITS[SHORT_SLOTS] = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceTable {
    uint32_t bases[DISTANCE_SYMBOLS];
    uint8_t bits[DISTANCE_SYMBOLS];
};

// Extra bits 0,0,0,0,1,1,2,2,...,15,15 then sixteen bits for the rest; every base
// is the previous one plus the span of the previous slot.
constexpr DistanceTable makeDistanceTable() {
    DistanceTable table{};
    uint32_t base = 0;
    for (unsigned slot = 0; slot < DISTANCE_SYMBOLS; ++slot) {
        const unsigned bits = slot < 4 ? 0 : slot < 34 ? (slot - 2) / 2 : 16;
        table.bases[slot] = base;
        table.bits[slot] = static_cast<uint8_t>(bits);
        base += 1u << bits;
    }
    return table;
}
constexpr DistanceTable DISTANCES = makeDistanceTable();

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
