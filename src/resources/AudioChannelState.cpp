#include "resources/AudioChannelState.h"

#include <cstring>

namespace {

constexpr int MAX_WEIGHT = 16;

// Eight 16-bit lanes, which compilers keep in vector registers.
using Lanes = int16_t __attribute__((vector_size(16)));
using LaneSums = uint16_t __attribute__((vector_size(16)));
constexpr unsigned LANE_COUNT = 8;

Lanes loadLanes(const int16_t* values) {
    Lanes lanes;
    std::memcpy(&lanes, values, sizeof lanes);
    return lanes;
}

// Coded errors (0..255) taken as signed bytes, times 8: the byte moved to the
// top of the lane and shifted back with its sign, three places short.
Lanes loadErrors(const int16_t* errors) {
    LaneSums raw;
    std::memcpy(&raw, errors, sizeof raw);
    return reinterpret_cast<Lanes>(raw << 8) >> 5;
}

LaneSums magnitude(Lanes value) {
    const Lanes negated = -value;
    return reinterpret_cast<LaneSums>(value > negated ? value : negated);
}

// Lane i of the result: the total of the lanes of sums[i]. Adds interleaved
// halves three times, each step halving the partial sums per vector.
inline __attribute__((always_inline)) LaneSums laneTotals(const LaneSums* sums) {
    const LaneSums low1 = {0, 8, 1, 9, 2, 10, 3, 11};
    const LaneSums high1 = {4, 12, 5, 13, 6, 14, 7, 15};
    const LaneSums low2 = {0, 1, 8, 9, 2, 3, 10, 11};
    const LaneSums high2 = {4, 5, 12, 13, 6, 7, 14, 15};
    const LaneSums low3 = {0, 1, 2, 3, 8, 9, 10, 11};
    const LaneSums high3 = {4, 5, 6, 7, 12, 13, 14, 15};
    LaneSums pairs[4];
#pragma GCC unroll 4
    for (unsigned i = 0; i < 4; ++i)
        pairs[i] = __builtin_shuffle(sums[2 * i], sums[2 * i + 1], low1) +
                   __builtin_shuffle(sums[2 * i], sums[2 * i + 1], high1);
    LaneSums quads[2];
#pragma GCC unroll 2
    for (unsigned i = 0; i < 2; ++i)
        quads[i] = __builtin_shuffle(pairs[2 * i], pairs[2 * i + 1], low2) +
                   __builtin_shuffle(pairs[2 * i], pairs[2 * i + 1], high2);
    return __builtin_shuffle(quads[0], quads[1], low3) +
           __builtin_shuffle(quads[0], quads[1], high3);
}

} // namespace

void AudioChannelState::endInterval() {
    adaptWeights();
    d1History_[0] = d1History_[ADAPT_INTERVAL];
    d2History_[0] = d2History_[ADAPT_INTERVAL];
    d2History_[1] = d2History_[ADAPT_INTERVAL + 1];
    slot_ = 0;
}

// Over the interval, sums how far each byte's error lay from no change and from
// each weight moved one step down or up; the smallest sum (the lower index on a
// tie) names the weight to move and the direction. Index 0, no change, moves
// nothing. Errors lie within +-1024 and terms within +-255, so every difference
// and every sum of 32 of them fits 16 bits: eight slots are summed at once.
void AudioChannelState::adaptWeights() {
    const int16_t* const terms[5] = {d1History_.data() + 1, d2History_.data() + 2,
                                     d2History_.data() + 1, d2History_.data(),
                                     channelDeltas_.data()};
    LaneSums sums[16] = {};
#pragma GCC unroll 4
    for (unsigned slot = 0; slot < ADAPT_INTERVAL; slot += LANE_COUNT) {
        const Lanes error = loadErrors(errors_.data() + slot);
        sums[0] += magnitude(error);
#pragma GCC unroll 5
        for (unsigned term = 0; term < 5; ++term) {
            const Lanes value = loadLanes(terms[term] + slot);
            sums[2 * term + 1] += magnitude(error - value);
            sums[2 * term + 2] += magnitude(error + value);
        }
    }
    uint16_t totals[16];
    const LaneSums halves[2] = {laneTotals(sums), laneTotals(sums + LANE_COUNT)};
    std::memcpy(totals, halves, sizeof totals);

    // The smallest total stays in a register: reading it back through its index
    // would chain every comparison to a load.
    unsigned best = 0;
    uint16_t smallest = totals[0];
    for (unsigned i = 1; i < 11; ++i) {
        if (totals[i] < smallest) {
            best = i;
            smallest = totals[i];
        }
    }
    if (best == 0)
        return;
    int& weight = weights_[(best - 1) / 2];
    if (best % 2 == 1 && weight >= -MAX_WEIGHT)
        --weight;
    else if (best % 2 == 0 && weight < MAX_WEIGHT)
        ++weight;
}
