#include "resources/HuffmanDecoder.h"

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

// Limits are multiples of 2^(16 - L) (or the cap, which no even field reaches), so
// all fields sharing their first QUICK_BITS bits get the same length and symbol
// when that length is at most QUICK_BITS. The length found grows with the field,
// so one pass in field order finds every entry's length.
void HuffmanDecoder::buildQuickTable() {
    unsigned length = 1;
    for (unsigned prefix = 0; prefix < quick_.size(); ++prefix) {
        const unsigned field = prefix << (16 - QUICK_BITS);
        length = lengthOf(field, length);
        quick_[prefix] =
            length <= QUICK_BITS
                ? static_cast<uint16_t>(symbolOf(field, length) | length << QUICK_LENGTH_SHIFT)
                : QUICK_LONG_CODE;
    }
}
