#include "resources/AudioChannelState.h"

namespace {

constexpr int MAX_WEIGHT = 16;

} // namespace

// Over the interval, sums how far each byte's error lay from no change and from
// each weight moved one step down or up; the smallest sum (the lower index on a
// tie) names the weight to move and the direction. Index 0, no change, moves
// nothing.
void AudioChannelState::adaptWeights() {
    std::array<uint32_t, 11> sums{};
    for (unsigned slot = 0; slot < ADAPT_INTERVAL; ++slot)
        sums[0] += static_cast<uint32_t>(std::abs(errorHistory_[slot]));
    for (unsigned term = 0; term < 5; ++term) {
        uint32_t down = 0;
        uint32_t up = 0;
        for (unsigned slot = 0; slot < ADAPT_INTERVAL; ++slot) {
            const int error = errorHistory_[slot];
            const int value = termHistory_[term][slot];
            down += static_cast<uint32_t>(std::abs(error - value));
            up += static_cast<uint32_t>(std::abs(error + value));
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
