// A canonical prefix-code decoder built from code lengths, as the packed stream
// sends them. Codes are assigned by length, then by symbol value. Any set of
// lengths is accepted, also over-subscribed or incomplete ones: a code that
// points past the symbols decodes as the first symbol of the list, and every
// decoded symbol lies inside the alphabet.
#pragma once

#include "resources/BitInput.h"
#include "resources/PackedFormat.h"

#include <array>
#include <cstdint>

class HuffmanDecoder {
public:
    static constexpr unsigned MAX_SYMBOLS = MAIN_SYMBOLS;

    // lengths: symbolCount (at most MAX_SYMBOLS) code lengths 0..15, 0 for no code.
    void build(const unsigned char* lengths, unsigned symbolCount);

    // Decodes one symbol through the lookup table, falling back to the limit
    // search for codes longer than the table covers.
    unsigned decode(BitInput& input) const {
        const unsigned field = input.peek16();
        unsigned entry = quick_[field >> (16 - QUICK_BITS)];
        if (!(entry >> QUICK_LENGTH_SHIFT))
            entry = longEntry(field & 0xFFFE);
        input.consume(entry >> QUICK_LENGTH_SHIFT);
        return entry & QUICK_SYMBOL_MASK;
    }

    // The same decode by the limit search alone; kept as the reference for the
    // lookup table.
    unsigned decodeSlow(BitInput& input) const;

private:
    static constexpr unsigned QUICK_BITS = 10;
    static constexpr unsigned QUICK_LENGTH_SHIFT = 12;
    static constexpr unsigned QUICK_SYMBOL_MASK = (1u << QUICK_LENGTH_SHIFT) - 1;

    // The code length of field: the shortest from `from` on whose limit lies above it.
    unsigned lengthOf(unsigned field, unsigned from) const;
    unsigned symbolOf(unsigned field, unsigned length) const;
    // A code too long for the lookup table, in the table's entry form.
    unsigned longEntry(unsigned field) const;
    void buildQuickTable();

    unsigned symbolCount_ = 0;
    // limits_[L]: exclusive upper bound of all codes of length at most L, left-aligned
    // in 16 bits and capped at 0xFFFF.
    std::array<uint32_t, MAX_CODE_LENGTH + 1> limits_{};
    // firstIndex_[L]: where the symbols with codes of length L start in symbols_.
    std::array<uint32_t, MAX_CODE_LENGTH + 1> firstIndex_{};
    std::array<uint16_t, MAX_SYMBOLS> symbols_{};
    // By the first QUICK_BITS bits of a code: symbol | length << 12, or 0 when the
    // code is longer.
    std::array<uint16_t, 1u << QUICK_BITS> quick_{};
};
