#include "resources/AudioChannelState.h"

namespace {

constexpr int MAX_WEIGHT = 16;

uint16_t magnitude(int16_t value) {
    return static_cast<uint16_t>(value < 0 ? -value : value);
}

} // namespace

// Over the interval, sums how far each byte's error lay from no change and from
// each weight moved one step down or up; the smallest sum (the lower index on a
// tie) names the weight to move and the direction. Index 0, no change, moves
// nothing. Errors lie within +-1024 and terms within +-255, so every difference
// and every sum of 32 of them fits 16 bits: the loops run on 16-bit lanes, which
// compilers turn into vector code.
void AudioChannelState::adaptWeights() {
    std::array<uint16_t, 11> sums{};
    for (unsigned slot = 0; slot < ADAPT_INTERVAL; ++slot)
        sums[0] += magnitude(errorHistory_[slot]);
    for (unsigned term = 0; term < 5; ++term) {
        uint16_t down = 0;
        uint16_t up = 0;
        for (unsigned slot = 0; slot < ADAPT_INTERVAL; ++slot) {
            const int16_t error = errorHistory_[slot];
            const int16_t value = termHistory_[term][slot];
            down += magnitude(static_cast<int16_t>(error - value));
            up += magnitude(static_cast<int16_t>(error + value));
        }
        sums[2 * term + 1] = down;
        sums[2 * term + 2] = up;
    }
    unsigned best = 0;
    for (unsigned i = 1; i < sums.size(); ++i)
        if (sums[i] < sums[best])
            best = i;
    if (best == 0)
        return;
    int& weight = weights_[(best - 1) / 2];
    if (best % 2 == 1 && weight >= -MAX_WEIGHT)
        --weight;
    else if (best % 2 == 0 && weight < MAX_WEIGHT)
        ++weight;
}
