#include "archive/HuffmanDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

// Sets the entries from `from` up to `to`, four at a time where it can.
void fillEntries(uint16_t* from, uint16_t* to, uint16_t entry) {
    while (from != to && reinterpret_cast<uintptr_t>(from) % 8 != 0)
        *from++ = entry;
    const uint64_t four = entry * 0x0001000100010001ull;
    for (; to - from >= 4; from += 4)
        std::memcpy(from, &four, sizeof four);
    while (from != to)
        *from++ = entry;
}

// Sets a span of a power of two entries that starts at a multiple of its length
// in an 8-byte aligned table.
void fillSpan(uint16_t* span, unsigned count, uint16_t entry) {
    if (count < 4) {
        span[0] = entry;
        span[count - 1] = entry;
        return;
    }
    const uint64_t four = entry * 0x0001000100010001ull;
    for (unsigned i = 0; i < count; i += 4)
        std::memcpy(span + i, &four, sizeof four);
}

// Calls visit(symbol, length) for every symbol with a code, in symbol order.
// Uncoded symbols are passed over eight at a time: an alphabet of which a small
// text uses a few dozen symbols has mostly zero lengths.
template <typename Visit>
void forCodedSymbols(const unsigned char* lengths, unsigned count, Visit visit) {
    constexpr uint64_t LENGTH_BITS = 0x0F0F0F0F0F0F0F0Full;
    constexpr uint64_t LOW_SEVEN = 0x7F7F7F7F7F7F7F7Full;
    constexpr uint64_t TOP_BITS = 0x8080808080808080ull;
    unsigned symbol = 0;
    for (; symbol + 8 <= count; symbol += 8) {
        uint64_t group;
        std::memcpy(&group, lengths + symbol, sizeof group);
        // The top bit of each byte with a nonzero length (in memory order).
        uint64_t coded = ((group & LENGTH_BITS) + LOW_SEVEN) & TOP_BITS;
        for (; coded != 0; coded &= coded - 1) {
            const unsigned i = symbol + static_cast<unsigned>(__builtin_ctzll(coded)) / 8;
            visit(i, lengths[i] & MAX_CODE_LENGTH);
        }
    }
    for (; symbol < count; ++symbol)
        if (const unsigned length = lengths[symbol] & MAX_CODE_LENGTH)
            visit(symbol, length);
}

// How many symbols have each code length (none counted for length 0).
// Neighbouring symbols mostly share a length, so four tallies take turns rather
// than one counter waiting on itself.
std::array<uint32_t, MAX_CODE_LENGTH + 1> lengthCounts(const unsigned char* lengths,
                                                       unsigned count) {
    uint16_t tallies[4][MAX_CODE_LENGTH + 1] = {};
    forCodedSymbols(lengths, count,
                    [&](unsigned symbol, unsigned length) { ++tallies[symbol % 4][length]; });
    std::array<uint32_t, MAX_CODE_LENGTH + 1> counts;
    for (unsigned length = 0; length <= MAX_CODE_LENGTH; ++length)
        counts[length] =
            tallies[0][length] + tallies[1][length] + tallies[2][length] + tallies[3][length];
    return counts;
}

} // namespace

void HuffmanDecoder::build(const unsigned char* lengths, unsigned symbolCount, bool fullTable) {
    symbolCount_ = symbolCount < MAX_SYMBOLS ? symbolCount : MAX_SYMBOLS;
    const std::array<uint32_t, MAX_CODE_LENGTH + 1> counts = lengthCounts(lengths, symbolCount_);

    uint32_t codes = 0;
    limits_[0] = 0;
    firstIndex_[0] = 0;
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        codes = 2 * (codes + counts[length]);
        const uint32_t limit = codes << (MAX_CODE_LENGTH - length);
        limits_[length] = limit < 0xFFFF ? limit : 0xFFFF;
        firstIndex_[length] = firstIndex_[length - 1] + (length > 1 ? counts[length - 1] : 0);
    }

    unsigned longest = MAX_CODE_LENGTH;
    while (longest > 1 && counts[longest] == 0)
        --longest;
    lookupShift_ = 64 - (fullTable ? QUICK_BITS : std::min(longest, QUICK_BITS));

    std::array<uint32_t, MAX_CODE_LENGTH + 1> next = firstIndex_;
    forCodedSymbols(lengths, symbolCount_, [&](unsigned symbol, unsigned length) {
        symbols_[next[length]++] = static_cast<uint16_t>(symbol);
    });
    // Indices past the coded symbols decode as symbol 0.
    const unsigned coded = next[MAX_CODE_LENGTH];
    std::fill(symbols_.begin() + coded, symbols_.begin() + symbolCount_, 0);
    buildQuickTable();
}

unsigned HuffmanDecoder::lengthOf(unsigned field, unsigned from) const {
    unsigned length = from;
    while (length < MAX_CODE_LENGTH && field >= limits_[length])
        ++length;
    return length;
}

unsigned HuffmanDecoder::symbolOf(unsigned field, unsigned length) const {
    const uint32_t index = firstIndex_[length] + ((field - limits_[length - 1]) >> (16 - length));
    return symbols_[index < symbolCount_ ? index : 0];
}

unsigned HuffmanDecoder::decodeSlow(BitInput& input) const {
    const unsigned field = input.peek16() & 0xFFFE;
    const unsigned length = lengthOf(field, 1);
    input.consume(length);
    return symbolOf(field, length);
}

unsigned HuffmanDecoder::longEntry(unsigned field) const {
    const unsigned length = lengthOf(field, quickBits() + 1);
    return symbolOf(field, length) << QUICK_SYMBOL_SHIFT | length;
}

// Codes of one length take consecutive table spans in symbol order: a code of
// length L covers 2^(quickBits() - L) entries, and the entries of length L start
// where the codes up to L - 1 end. Limits are multiples of 2^(16 - L) (or the cap,
// which no even field reaches), so every span is whole and aligned. Codes longer
// than the table, and fields no code covers, take the limit search.
void HuffmanDecoder::buildQuickTable() {
    uint16_t* const table = quick_.data();
    const unsigned bits = quickBits();
    const unsigned fieldShift = 16 - bits;
    unsigned prefix = 0;
    for (unsigned length = 1; length <= bits; ++length) {
        const unsigned end = (limits_[length] + (1u << fieldShift) - 1) >> fieldShift;
        const unsigned span = 1u << (bits - length);
        for (unsigned index = firstIndex_[length]; prefix < end; ++index) {
            const uint16_t entry = static_cast<uint16_t>(
                symbols_[index < symbolCount_ ? index : 0] << QUICK_SYMBOL_SHIFT | length);
            fillSpan(table + prefix, span, entry);
            prefix += span;
        }
    }
    fillEntries(table + prefix, table + (1u << bits), QUICK_LONG_CODE);
}
