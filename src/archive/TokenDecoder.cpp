#include "archive/TokenDecoder.h"

#include <algorithm>

TokenDecoder::TokenDecoder(const TokenForm* forms) : forms_(forms) {
    table_[0] = table_[1] = LONG_CODE;
}

void TokenDecoder::build(const unsigned char* lengths, unsigned symbolCount, bool fullTable) {
    code_.build(lengths, symbolCount);
    const unsigned bits = fullTable ? TABLE_BITS : std::min(code_.longest(), TABLE_BITS);
    lookupShift_ = 64 - bits;
    uint32_t* const table = table_.data();
    const unsigned covered = code_.forTableSpans(
        bits, [this, table](unsigned first, unsigned count, unsigned symbol, unsigned length) {
            std::fill_n(table + first, count, entryFor(symbol, length));
        });
    // Codes longer than the table, and fields no code covers, take the limit search.
    std::fill(table + covered, table + (1u << bits), LONG_CODE);
}

uint32_t TokenDecoder::entryFor(unsigned symbol, unsigned length) const {
    const TokenForm& form = forms_[symbol];
    return form.base << VALUE_SHIFT | form.extraBits << EXTRA_SHIFT | (length + form.extraBits);
}

uint32_t TokenDecoder::longEntry(unsigned field) const {
    const unsigned length = code_.lengthOf(field, 64 - lookupShift_ + 1);
    return entryFor(code_.symbolOf(field, length), length);
}

uint32_t TokenDecoder::decodeSlow(BitInput& input) const {
    const unsigned symbol = code_.decode(input);
    const TokenForm& form = forms_[symbol];
    return form.base + input.readBits(form.extraBits);
}
