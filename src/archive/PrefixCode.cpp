#include "archive/PrefixCode.h"

#include <algorithm>
#include <cstring>

namespace {

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

void PrefixCode::build(const unsigned char* lengths, unsigned symbolCount) {
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

    longest_ = MAX_CODE_LENGTH;
    while (longest_ > 1 && counts[longest_] == 0)
        --longest_;

    std::array<uint32_t, MAX_CODE_LENGTH + 1> next = firstIndex_;
    forCodedSymbols(lengths, symbolCount_, [&](unsigned symbol, unsigned length) {
        symbols_[next[length]++] = static_cast<uint16_t>(symbol);
    });
    // Indices past the coded symbols decode as symbol 0.
    const unsigned coded = next[MAX_CODE_LENGTH];
    std::fill(symbols_.begin() + coded, symbols_.begin() + symbolCount_, 0);
}

unsigned PrefixCode::lengthOf(unsigned field, unsigned from) const {
    unsigned length = from;
    while (length < MAX_CODE_LENGTH && field >= limits_[length])
        ++length;
    return length;
}

unsigned PrefixCode::symbolOf(unsigned field, unsigned length) const {
    const uint32_t index = firstIndex_[length] + ((field - limits_[length - 1]) >> (16 - length));
    return symbols_[index < symbolCount_ ? index : 0];
}

unsigned PrefixCode::decode(BitInput& input) const {
    const unsigned field = input.peek16() & 0xFFFE;
    const unsigned length = lengthOf(field, 1);
    input.consume(length);
    return symbolOf(field, length);
}
