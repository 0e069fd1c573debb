// Writes table sets as the decoder reads them: a header bit for the multimedia
// mode and one for keeping the previous lengths as the delta base (then, in
// multimedia mode, two bits of channel count - 1), the 19 pre-code lengths of
// 4 bits each, and every code length as a pre-code symbol: 0..15 the change
// from the previous length at the same place (modulo 16), 16 a run copying the
// length before, 17 and 18 runs of zero lengths.
#pragma once

#include "BitOutput.h"

#include <cstddef>
#include <cstdint>

struct TableSetLayout {
    bool audio = false;
    unsigned channels = 1; // multimedia mode only
    unsigned lengthCount = 0;
};

// Bits of a table set with the given lengths. previous is the delta base the
// decoder holds, or null when it must start from cleared lengths; the cheaper
// of the two choices is counted.
size_t tableSetBits(const TableSetLayout& layout, const uint8_t* lengths, const uint8_t* previous);

// Writes the table set, making the same choice as tableSetBits.
void writeTableSet(BitOutput& out, const TableSetLayout& layout, const uint8_t* lengths,
                   const uint8_t* previous);
