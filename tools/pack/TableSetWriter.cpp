#include "TableSetWriter.h"

#include "HuffmanEncoder.h"
#include "PackFormat.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint8_t CLEARED_LENGTHS[MAX_TABLE_LENGTHS] = {};

struct PreCodeOp {
    uint8_t symbol;
    uint8_t extraBits;
    uint8_t extra;
};

PreCodeOp runOp(unsigned symbol, const PreCodeRun& form, unsigned run) {
    return {static_cast<uint8_t>(symbol), static_cast<uint8_t>(form.extraBits),
            static_cast<uint8_t>(run - form.minimum)};
}

unsigned runLength(const uint8_t* lengths, unsigned at, unsigned count, uint8_t value,
                   unsigned limit) {
    unsigned run = 0;
    while (at + run < count && run < limit && lengths[at + run] == value)
        ++run;
    return run;
}

std::vector<PreCodeOp> preCodeOps(const uint8_t* lengths, unsigned count, const uint8_t* base) {
    std::vector<PreCodeOp> ops;
    unsigned at = 0;
    while (at < count) {
        const uint8_t value = lengths[at];
        const unsigned zeros =
            value == 0 ? runLength(lengths, at, count, 0, MANY_ZEROS_RUN.maximum()) : 0;
        const unsigned repeats = value != 0 && at > 0 && lengths[at - 1] == value
                                     ? runLength(lengths, at, count, value, REPEAT_RUN.maximum())
                                     : 0;
        if (zeros >= MANY_ZEROS_RUN.minimum) {
            ops.push_back(runOp(PRE_CODE_MANY_ZEROS, MANY_ZEROS_RUN, zeros));
            at += zeros;
        } else if (zeros >= ZERO_RUN.minimum) {
            const unsigned run = std::min(zeros, ZERO_RUN.maximum());
            ops.push_back(runOp(PRE_CODE_ZEROS, ZERO_RUN, run));
            at += run;
        } else if (repeats >= REPEAT_RUN.minimum) {
            ops.push_back(runOp(PRE_CODE_REPEAT, REPEAT_RUN, repeats));
            at += repeats;
        } else {
            ops.push_back({static_cast<uint8_t>((value - base[at]) & 15), 0, 0});
            ++at;
        }
    }
    return ops;
}

struct PreCodedTable {
    std::vector<PreCodeOp> ops;
    std::vector<uint8_t> preCodeLengths;
    size_t bits = 0;
};

PreCodedTable preCode(const TableSetLayout& layout, const uint8_t* lengths, const uint8_t* base) {
    PreCodedTable table;
    table.ops = preCodeOps(lengths, layout.lengthCount, base);
    uint32_t counts[PRE_CODE_SYMBOLS] = {};
    for (const PreCodeOp& op : table.ops)
        ++counts[op.symbol];
    table.preCodeLengths = buildCodeLengths(counts, PRE_CODE_SYMBOLS, MAX_CODE_LENGTH);
    table.bits = (layout.audio ? 4 : 2) + PRE_CODE_SYMBOLS * PRE_CODE_LENGTH_BITS +
                 codedBits(counts, table.preCodeLengths.data(), PRE_CODE_SYMBOLS);
    for (const PreCodeOp& op : table.ops)
        table.bits += op.extraBits;
    return table;
}

// The cheaper of delta coding against previous (when given) and against cleared lengths.
PreCodedTable bestPreCode(const TableSetLayout& layout, const uint8_t* lengths,
                          const uint8_t* previous, bool& keepPrevious) {
    PreCodedTable cleared = preCode(layout, lengths, CLEARED_LENGTHS);
    keepPrevious = false;
    if (previous) {
        PreCodedTable kept = preCode(layout, lengths, previous);
        if (kept.bits < cleared.bits) {
            keepPrevious = true;
            return kept;
        }
    }
    return cleared;
}

} // namespace

size_t tableSetBits(const TableSetLayout& layout, const uint8_t* lengths, const uint8_t* previous) {
    bool keepPrevious = false;
    return bestPreCode(layout, lengths, previous, keepPrevious).bits;
}

void writeTableSet(BitOutput& out, const TableSetLayout& layout, const uint8_t* lengths,
                   const uint8_t* previous) {
    bool keepPrevious = false;
    const PreCodedTable table = bestPreCode(layout, lengths, previous, keepPrevious);
    out.write(layout.audio ? 1 : 0, 1);
    out.write(keepPrevious ? 1 : 0, 1);
    if (layout.audio)
        out.write(layout.channels - 1, 2);
    for (uint8_t length : table.preCodeLengths)
        out.write(length, PRE_CODE_LENGTH_BITS);
    const HuffmanEncoder code(table.preCodeLengths.data(), PRE_CODE_SYMBOLS);
    for (const PreCodeOp& op : table.ops) {
        code.write(out, op.symbol);
        out.write(op.extra, op.extraBits);
    }
}
