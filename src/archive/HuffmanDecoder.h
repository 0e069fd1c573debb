// A decoder of a prefix code (see PrefixCode) that looks the symbols of codes
// up to 11 bits long up in a table indexed by their first bits: the decoder of
// the pre-code and of the multimedia bytes.
#pragma once

#include "archive/BitInput.h"
#include "archive/PrefixCode.h"

#include <array>
#include <cstdint>

class HuffmanDecoder {
public:
    static constexpr unsigned MAX_SYMBOLS = PrefixCode::MAX_SYMBOLS;

    // A decoder never built decodes symbol 0 and reads no more than 15 bits.
    HuffmanDecoder() { quick_[0] = quick_[1] = QUICK_LONG_CODE; }

    // lengths: symbolCount (at most MAX_SYMBOLS) code lengths 0..15, 0 for no code.
    // The lookup table is as long as the longest code needs, or, with fullTable,
    // always the full QUICK_BITS wide, as decodeByteSymbol needs.
    void build(const unsigned char* lengths, unsigned symbolCount, bool fullTable = false);

    // Decodes one symbol through the lookup table, falling back to the limit
    // search for codes longer than the table covers. Buffered: the caller has
    // made sure the input holds 16 bits, so the input need not check.
    template <bool Buffered = false>
    unsigned decode(BitInput& input) const {
        if (!Buffered)
            input.peek16(); // tops the buffer up
        unsigned entry = quick_[input.peekShifted(lookupShift_)];
        if (!(entry & QUICK_LENGTH_MASK))
            entry = longEntry(input.peekBuffered(16) & 0xFFFE);
        input.consume(entry & QUICK_LENGTH_MASK);
        return entry >> QUICK_SYMBOL_SHIFT;
    }

    // Decodes a symbol below 256 into symbol and returns true; for a higher symbol
    // returns false, with its code consumed all the same. A single test on the
    // table entry passes the common case, a short code of a low symbol. Needs a
    // decoder built with the full table. Buffered: the caller has made sure the
    // input holds QUICK_BITS bits, so the input need not check.
    template <bool Buffered = false>
    bool decodeByteSymbol(BitInput& input, unsigned& symbol) const {
        const unsigned field =
            Buffered ? input.peekBuffered(QUICK_BITS) : input.peekBits(QUICK_BITS);
        const unsigned entry = quick_[field];
        if (entry & QUICK_HIGH_SYMBOL_BITS) {
            symbol = decode(input);
            return symbol < 256;
        }
        input.consumeEntry(entry);
        symbol = entry >> QUICK_SYMBOL_SHIFT;
        return true;
    }

    // The same decode by the limit search alone; kept as the reference for the
    // lookup table.
    unsigned decodeSlow(BitInput& input) const { return code_.decode(input); }

private:
    static constexpr unsigned QUICK_BITS = 11;
    // An entry is symbol << QUICK_SYMBOL_SHIFT | length. The length sits in the
    // low bits, where a shift by it needs no extraction first: the entry's
    // lookup and the input's shift are the chain every symbol waits on.
    static constexpr unsigned QUICK_SYMBOL_SHIFT = 6;
    static constexpr unsigned QUICK_LENGTH_MASK = (1u << QUICK_SYMBOL_SHIFT) - 1;
    static_assert(QUICK_LENGTH_MASK == 63, "BitInput::consumeEntry takes six bits of length");
    static constexpr unsigned QUICK_HIGH_SYMBOL_BITS =
        0xFFFFu & ~(0xFFu << QUICK_SYMBOL_SHIFT) & ~QUICK_LENGTH_MASK;
    // The entry of a code longer than the table covers: no length, and symbol
    // bits that decodeByteSymbol's test for a high symbol also catches.
    static constexpr uint16_t QUICK_LONG_CODE = 0x100 << QUICK_SYMBOL_SHIFT;

    // A code too long for the lookup table, in the table's entry form.
    unsigned longEntry(unsigned field) const;
    void buildQuickTable();

    PrefixCode code_;
    // The table is indexed by the first quickBits() bits of a code: the longest
    // code length, at most QUICK_BITS. It is kept as 64 - quickBits(), the shift
    // that brings the input's buffer down to a table index in one step. A decoder
    // never built uses one bit, whose two entries send it to the limit search.
    unsigned lookupShift_ = 63;
    unsigned quickBits() const { return 64 - lookupShift_; }
    // By the first quickBits() bits of a code: symbol << 6 | length, or
    // QUICK_LONG_CODE when the code is longer. Only the first 2^quickBits() entries
    // are set: a state holds eight decoders, and filling their whole tables when
    // it is made cost a small entry's extraction several per cent.
    alignas(8) std::array<uint16_t, 1u << QUICK_BITS> quick_;
};
