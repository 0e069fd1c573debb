// A canonical prefix code built from code lengths, as the packed stream sends
// them. Codes are assigned by length, then by symbol value. Any set of lengths
// is accepted, also over-subscribed or incomplete ones: a code that points past
// the symbols decodes as the first symbol of the list, and every decoded symbol
// lies inside the alphabet. The code decodes by a search of the limits of each
// length; the decoders built on it look most codes up in tables first.
#pragma once

#include "archive/BitInput.h"
#include "archive/PackedFormat.h"

#include <array>
#include <cstdint>

class PrefixCode {
public:
    static constexpr unsigned MAX_SYMBOLS = MAIN_SYMBOLS;

    // lengths: symbolCount (at most MAX_SYMBOLS) code lengths 0..15, 0 for no code.
    void build(const unsigned char* lengths, unsigned symbolCount);

    // The longest code length in use, at least 1.
    unsigned longest() const { return longest_; }

    // The code length of field (the next 16 bits, the lowest clear): the
    // shortest from `from` on whose limit lies above it.
    unsigned lengthOf(unsigned field, unsigned from) const;
    // The symbol of the code of that length at the start of field.
    unsigned symbolOf(unsigned field, unsigned length) const;

    // Decodes one symbol by the limit search alone.
    unsigned decode(BitInput& input) const;

    // Calls fill(first, count, symbol, length) for the table entries of every
    // code no longer than bits, in the order of a table indexed by a code's
    // first bits: a code of length L covers count = 2^(bits - L) entries from
    // first on, a multiple of count: limits are multiples of 2^(16 - L) (or the
    // cap, which no even field reaches), so every span is whole and aligned.
    // Returns the first entry no code covers; those from it on belong to longer
    // codes, or to none.
    template <typename Fill>
    unsigned forTableSpans(unsigned bits, Fill fill) const {
        const unsigned fieldShift = 16 - bits;
        unsigned prefix = 0;
        for (unsigned length = 1; length <= bits; ++length) {
            const unsigned end = (limits_[length] + (1u << fieldShift) - 1) >> fieldShift;
            const unsigned span = 1u << (bits - length);
            for (unsigned index = firstIndex_[length]; prefix < end; ++index) {
                fill(prefix, span, symbols_[index < symbolCount_ ? index : 0], length);
                prefix += span;
            }
        }
        return prefix;
    }

private:
    unsigned symbolCount_ = 0;
    unsigned longest_ = 1;
    // limits_[L]: exclusive upper bound of all codes of length at most L, left-aligned
    // in 16 bits and capped at 0xFFFF.
    std::array<uint32_t, MAX_CODE_LENGTH + 1> limits_{};
    // firstIndex_[L]: where the symbols with codes of length L start in symbols_.
    std::array<uint32_t, MAX_CODE_LENGTH + 1> firstIndex_{};
    std::array<uint16_t, MAX_SYMBOLS> symbols_{};
};
