// A decoder of a prefix code (see PrefixCode) whose symbols stand for tokens
// that may read extra bits after their code: a match length or distance is a
// slot's base plus the extra bits that follow the slot's code. The table entry
// of a code holds the token whole: how many bits the code and its extra bits
// take together, how many of them are extra, and the base. Taking a token is
// then one lookup and one shift of the input, the chain every token of a
// packed stream waits on, with no second lookup of the slot's extra-bit count
// between the code and the next one.
#pragma once

#include "archive/BitInput.h"
#include "archive/PrefixCode.h"

#include <array>
#include <cstdint>

// How a symbol's token reads: extraBits bits follow its code, and its value is
// base plus their number. A symbol with no extra bits has its own value.
struct TokenForm {
    uint32_t base = 0;
    unsigned extraBits = 0;
};

class TokenDecoder {
public:
    // Bits an entry gives the code and its extra bits together, and the extra ones.
    static constexpr unsigned BITS_MASK = 0x3F;
    static constexpr unsigned EXTRA_SHIFT = 6;
    static constexpr unsigned EXTRA_MASK = 0x1F;
    // The base sits above them, up to 2^21 - 1.
    static constexpr unsigned VALUE_SHIFT = 11;

    // forms: the form of each symbol of the alphabet, kept by the decoder.
    // A decoder never built decodes symbol 0 and reads no more than 15 bits.
    explicit TokenDecoder(const TokenForm* forms);

    // lengths: symbolCount (at most PrefixCode::MAX_SYMBOLS) code lengths 0..15,
    // 0 for no code. The table is as long as the longest code needs, at most
    // TABLE_BITS, or, with fullTable, always TABLE_BITS long, as peekFull needs.
    void build(const unsigned char* lengths, unsigned symbolCount, bool fullTable = false);

    // The entry of the token at the input's position, by the table alone: the
    // input's buffer must hold the table's bits (refillAhead leaves all of its
    // 64 bits true, so after it a lookup may follow tokens of up to 64 -
    // TABLE_BITS bits without a refill). A code longer than the table gives an
    // entry of no bits, which whole() completes.
    uint32_t peek(const BitInput& input) const { return table_[input.peekShifted(lookupShift_)]; }

    // The same for a decoder built with the full table: its width is known
    // beforehand, so the lookup waits on no load of it.
    uint32_t peekFull(const BitInput& input) const {
        return table_[input.peekShifted(64 - TABLE_BITS)];
    }

    // The entry made whole: one of no bits by the limit search, which needs 16
    // bits in the buffer.
    uint32_t whole(const BitInput& input, uint32_t entry) const {
        return entry & BITS_MASK ? entry : longEntry(input.peekBuffered(16) & 0xFFFE);
    }

    // Consumes the whole entry's token, whose bits the buffer holds, and gives
    // its value.
    static uint32_t take(BitInput& input, uint32_t entry) {
        const unsigned bits = entry & BITS_MASK;
        const unsigned extra = (entry >> EXTRA_SHIFT) & EXTRA_MASK;
        const uint32_t value =
            (entry >> VALUE_SHIFT) + (input.peekBuffered(bits) & ((1u << extra) - 1));
        input.consume(bits);
        return value;
    }

    // Decodes one token's value. Buffered: the caller has made sure the input
    // holds the longest token's bits, so the input need not check.
    template <bool Buffered = false>
    uint32_t decode(BitInput& input) const {
        if (!Buffered)
            input.refill();
        return take(input, whole(input, peek(input)));
    }

    // The same decode by the limit search alone; kept as the reference for the table.
    uint32_t decodeSlow(BitInput& input) const;

    // The entry of a token of value (with no extra bits) whose code takes bits.
    static constexpr uint32_t entryOf(uint32_t value, unsigned bits) {
        return value << VALUE_SHIFT | bits;
    }

private:
    static constexpr unsigned TABLE_BITS = 11;
    // The entry of a code longer than the table: no bits, and a value above
    // every token's, so that a test for a low value also passes it over.
    static constexpr uint32_t LONG_CODE = ~0u << VALUE_SHIFT;

    uint32_t entryFor(unsigned symbol, unsigned length) const;
    uint32_t longEntry(unsigned field) const;

    const TokenForm* forms_;
    PrefixCode code_;
    // 64 - the table's bits: the shift that brings the input's buffer down to a
    // table index in one step. A decoder never built uses one bit, whose two
    // entries send it to the limit search.
    unsigned lookupShift_ = 63;
    // By a code's first bits; only the first 2^(64 - lookupShift_) entries are set.
    std::array<uint32_t, 1u << TABLE_BITS> table_;
};
