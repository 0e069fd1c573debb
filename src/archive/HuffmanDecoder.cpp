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

} // namespace

void HuffmanDecoder::build(const unsigned char* lengths, unsigned symbolCount, bool fullTable) {
    code_.build(lengths, symbolCount);
    lookupShift_ = 64 - (fullTable ? QUICK_BITS : std::min(code_.longest(), QUICK_BITS));
    buildQuickTable();
}

unsigned HuffmanDecoder::longEntry(unsigned field) const {
    const unsigned length = code_.lengthOf(field, quickBits() + 1);
    return code_.symbolOf(field, length) << QUICK_SYMBOL_SHIFT | length;
}

// Codes longer than the table, and fields no code covers, take the limit search.
void HuffmanDecoder::buildQuickTable() {
    uint16_t* const table = quick_.data();
    const unsigned covered = code_.forTableSpans(
        quickBits(), [table](unsigned first, unsigned count, unsigned symbol, unsigned length) {
            fillSpan(table + first, count,
                     static_cast<uint16_t>(symbol << QUICK_SYMBOL_SHIFT | length));
        });
    fillEntries(table + covered, table + (1u << quickBits()), QUICK_LONG_CODE);
}
