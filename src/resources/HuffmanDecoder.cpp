#include "resources/HuffmanDecoder.h"

#include <algorithm>

void HuffmanDecoder::build(const unsigned char* lengths, unsigned symbolCount) {
    symbolCount_ = symbolCount < MAX_SYMBOLS ? symbolCount : MAX_SYMBOLS;
    std::array<uint32_t, MAX_CODE_LENGTH + 1> counts{};
    for (unsigned symbol = 0; symbol < symbolCount_; ++symbol)
        ++counts[lengths[symbol] & MAX_CODE_LENGTH];

    uint32_t codes = 0;
    limits_[0] = 0;
    firstIndex_[0] = 0;
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        codes = 2 * (codes + counts[length]);
        const uint32_t limit = codes << (MAX_CODE_LENGTH - length);
        limits_[length] = limit < 0xFFFF ? limit : 0xFFFF;
        firstIndex_[length] = firstIndex_[length - 1] + (length > 1 ? counts[length - 1] : 0);
    }

    symbols_.fill(0);
    std::array<uint32_t, MAX_CODE_LENGTH + 1> next = firstIndex_;
    for (unsigned symbol = 0; symbol < symbolCount_; ++symbol) {
        const unsigned length = lengths[symbol] & MAX_CODE_LENGTH;
        if (length != 0)
            symbols_[next[length]++] = static_cast<uint16_t>(symbol);
    }
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
    const unsigned length = lengthOf(field, QUICK_BITS + 1);
    return symbolOf(field, length) | length << QUICK_LENGTH_SHIFT;
}

// Codes of one length take consecutive table spans in symbol order: a code of
// length L covers 2^(QUICK_BITS - L) entries, and the entries of length L start
// where the codes up to L - 1 end. Limits are multiples of 2^(16 - L) (or the cap,
// which no even field reaches), so every span is whole and aligned.
void HuffmanDecoder::buildQuickTable() {
    constexpr unsigned FIELD_SHIFT = 16 - QUICK_BITS;
    uint16_t* const table = quick_.data();
    unsigned prefix = 0;
    for (unsigned length = 1; length <= QUICK_BITS; ++length) {
        const unsigned end = (limits_[length] + (1u << FIELD_SHIFT) - 1) >> FIELD_SHIFT;
        const unsigned span = 1u << (QUICK_BITS - length);
        for (unsigned index = firstIndex_[length]; prefix < end; ++index) {
            const uint16_t entry = static_cast<uint16_t>(
                symbols_[index < symbolCount_ ? index : 0] | length << QUICK_LENGTH_SHIFT);
            const unsigned stop = std::min(prefix + span, end);
            std::fill(table + prefix, table + stop, entry);
            prefix = stop;
        }
    }
    std::fill(table + prefix, table + quick_.size(), QUICK_LONG_CODE);
}
