#include "archive/AudioChannelState.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int MAX_WEIGHT = 16;

// Eight 16-bit lanes, and sixteen: one interval's slots go in two steps of
// sixteen, which machines with 256-bit vectors take in one instruction each.
using Lanes = int16_t __attribute__((vector_size(16)));
using LaneSums = uint16_t __attribute__((vector_size(16)));
using WideLanes = int16_t __attribute__((vector_size(32)));
using WideSums = uint16_t __attribute__((vector_size(32)));
constexpr unsigned LANE_COUNT = 8;
constexpr unsigned WIDE_COUNT = 16;

// Helpers hand 256-bit vectors back through references: a call never passes
// one by value, which machines without AVX would do differently.
#define ALWAYS_INLINE inline __attribute__((always_inline))

// Lanes of a and b (vectors of type Vector) picked by index into the two
// together: clang's builtin, or GCC's, which takes the indices as a vector of
// the operands' type (GCC learnt clang's only in version 12).
#ifdef __clang__
#define SHUFFLE(Vector, a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define SHUFFLE(Vector, a, b, ...) __builtin_shuffle(a, b, Vector{__VA_ARGS__})
#endif

ALWAYS_INLINE void loadLanes(const int16_t* values, WideLanes& lanes) {
    std::memcpy(&lanes, values, sizeof lanes);
}

// Coded errors (0..255) taken as signed bytes, times 8: the byte moved to the
// top of the lane and shifted back with its sign, three places short.
ALWAYS_INLINE void loadErrors(const int16_t* errors, WideLanes& lanes) {
    WideSums raw;
    std::memcpy(&raw, errors, sizeof raw);
    lanes = reinterpret_cast<WideLanes>(raw << 8) >> 5;
}

ALWAYS_INLINE void addMagnitude(WideSums& sum, const WideLanes& value) {
    const WideLanes negated = -value;
    sum += reinterpret_cast<WideSums>(value > negated ? value : negated);
}

// The two halves of each of 11 wide sums added, as 16 narrow sums (the last
// five zero).
ALWAYS_INLINE void foldHalves(const WideSums* wide, LaneSums* narrow) {
#pragma GCC unroll 16
    for (unsigned i = 0; i < 16; ++i) {
        LaneSums halves[2] = {};
        if (i < 11)
            std::memcpy(halves, &wide[i], sizeof halves);
        narrow[i] = halves[0] + halves[1];
    }
}

// Two vectors interleaved in blocks of Block lanes, the low halves' blocks and
// the high halves' blocks added: each lane then holds a sum of two, and the
// partial sums of a and b alternate block by block.
template <int Block>
ALWAYS_INLINE LaneSums addInterleaved(const LaneSums& a, const LaneSums& b) {
    if constexpr (Block == 1)
        return SHUFFLE(LaneSums, a, b, 0, 8, 1, 9, 2, 10, 3, 11) +
               SHUFFLE(LaneSums, a, b, 4, 12, 5, 13, 6, 14, 7, 15);
    else if constexpr (Block == 2)
        return SHUFFLE(LaneSums, a, b, 0, 1, 8, 9, 2, 3, 10, 11) +
               SHUFFLE(LaneSums, a, b, 4, 5, 12, 13, 6, 7, 14, 15);
    else
        return SHUFFLE(LaneSums, a, b, 0, 1, 2, 3, 8, 9, 10, 11) +
               SHUFFLE(LaneSums, a, b, 4, 5, 6, 7, 12, 13, 14, 15);
}

// Lane i of the result: the total of the lanes of sums[i]. Adds interleaved
// halves three times, each step halving the partial sums per vector.
ALWAYS_INLINE LaneSums laneTotals(const LaneSums* sums) {
    const LaneSums pairs[4] = {
        addInterleaved<1>(sums[0], sums[1]), addInterleaved<1>(sums[2], sums[3]),
        addInterleaved<1>(sums[4], sums[5]), addInterleaved<1>(sums[6], sums[7])};
    const LaneSums quads[2] = {addInterleaved<2>(pairs[0], pairs[1]),
                               addInterleaved<2>(pairs[2], pairs[3])};
    return addInterleaved<4>(quads[0], quads[1]);
}

// The index of the smallest of the 11 totals, the lower one on a tie. Each total
// goes with its index below it into a key, and a knockout in three rounds of
// lane pairs finds the smallest key.
ALWAYS_INLINE unsigned smallestTotal(const LaneSums* totals) {
    using Keys = uint32_t __attribute__((vector_size(32)));
    const Keys low = __builtin_convertvector(totals[0], Keys) << 4 | Keys{0, 1, 2, 3, 4, 5, 6, 7};
    const Keys unused = {0, 0, 0, ~0u, ~0u, ~0u, ~0u, ~0u};
    const Keys high = (__builtin_convertvector(totals[1], Keys) << 4 | Keys{8, 9, 10}) | unused;
    Keys smallest = low < high ? low : high;
    const Keys halves = SHUFFLE(Keys, smallest, smallest, 4, 5, 6, 7, 0, 1, 2, 3);
    smallest = smallest < halves ? smallest : halves;
    const Keys quarters = SHUFFLE(Keys, smallest, smallest, 2, 3, 0, 1, 6, 7, 4, 5);
    smallest = smallest < quarters ? smallest : quarters;
    const Keys neighbours = SHUFFLE(Keys, smallest, smallest, 1, 0, 3, 2, 5, 4, 7, 6);
    smallest = smallest < neighbours ? smallest : neighbours;
    return smallest[0] & 15;
}

// Over an interval, sums how far each byte's error lay from no change and from
// each weight moved one step down or up, and gives the index of the smallest sum
// (the lower index on a tie): 0 for no change, 2w + 1 for weight w down, 2w + 2
// for it up. d1 holds D1 from three slots before the interval on; the other terms
// are differences of it. Errors lie within +-1024 and terms within +-255, so
// every difference and every sum of 32 of them fits 16 bits: sixteen slots are
// summed at once. Inlined into each of the processor's versions below, which
// compile the same vectors to their own instructions.
ALWAYS_INLINE unsigned searchWeights(const int16_t* errors, const int16_t* d1,
                                     const int16_t* channelDeltas) {
    WideSums sums[11] = {};
#pragma GCC unroll 2
    for (unsigned slot = 0; slot < 32; slot += WIDE_COUNT) {
        WideLanes error;
        loadErrors(errors + slot, error);
        addMagnitude(sums[0], error);
        WideLanes history[4]; // D1 three, two and one slots before, and at the slot
#pragma GCC unroll 4
        for (unsigned back = 0; back < 4; ++back)
            loadLanes(d1 + slot + back, history[back]);
        WideLanes terms[5];
        terms[0] = history[3];
        terms[1] = history[3] - history[2];
        terms[2] = history[2] - history[1];
        terms[3] = history[1] - history[0];
        loadLanes(channelDeltas + slot, terms[4]);
#pragma GCC unroll 5
        for (unsigned term = 0; term < 5; ++term) {
            addMagnitude(sums[2 * term + 1], error - terms[term]);
            addMagnitude(sums[2 * term + 2], error + terms[term]);
        }
    }
    LaneSums narrow[16];
    foldHalves(sums, narrow);
    const LaneSums totals[2] = {laneTotals(narrow), laneTotals(narrow + LANE_COUNT)};
    return smallestTotal(totals);
}

using WeightSearch = unsigned (*)(const int16_t*, const int16_t*, const int16_t*);

WeightSearch processorsWeightSearch() {
    return __builtin_cpu_supports("avx2") ? weightSearchAvx2 : weightSearchSse2;
}

} // namespace

__attribute__((target("avx2"))) unsigned weightSearchAvx2(const int16_t* errors, const int16_t* d1,
                                                          const int16_t* channelDeltas) {
    return searchWeights(errors, d1, channelDeltas);
}

unsigned weightSearchSse2(const int16_t* errors, const int16_t* d1, const int16_t* channelDeltas) {
    return searchWeights(errors, d1, channelDeltas);
}

void AudioChannelState::endInterval() {
    adaptWeights();
    const auto end = d1History_.begin() + HISTORY_FRONT + ADAPT_INTERVAL;
    std::copy(end - HISTORY_FRONT, end, d1History_.begin());
    slot_ = 0;
}

// Moves the weight whose step would have made the interval's errors smallest.
void AudioChannelState::adaptWeights() {
    static_assert(ADAPT_INTERVAL == 32, "the sums cover 32 slots");
    static const WeightSearch search = processorsWeightSearch();
    const unsigned best = search(errors_.data(), d1History_.data(), channelDeltas_.data());
    const int down = best % 2;
    const int up = best != 0 && !down;
    // No change (0) goes to weight 0 with a step of nothing, without a branch.
    int& weight = weights_[(best - (best != 0)) / 2];
    weight += (up & (weight < MAX_WEIGHT)) - (down & (weight >= -MAX_WEIGHT));
}
