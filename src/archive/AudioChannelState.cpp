#include "archive/AudioChannelState.h"

#include <algorithm>

namespace {

constexpr int MAX_WEIGHT = 16;

} // namespace

void AudioChannelState::advance(unsigned bytes) {
    slot_ += bytes;
    if (slot_ != ADAPT_INTERVAL)
        return;
    adaptWeights();
    errorSums_ = {};
    slot_ = 0;
}

// Moves the weight whose step would have made the interval's errors smallest:
// the first of the smallest sums, where the first is no change.
void AudioChannelState::adaptWeights() {
    // Each sum with its index below it: the smallest key is the first smallest
    // sum, found without a branch to guess.
    unsigned smallest = unsigned{errorSums_[0]} << 4;
    for (unsigned i = 1; i < SUM_COUNT; ++i)
        smallest = std::min(smallest, unsigned{errorSums_[i]} << 4 | i);
    const unsigned best = smallest & 15;
    if (best == 0)
        return;
    int& weight = weights_[(best - 1) / 2];
    if (best % 2 == 1)
        weight -= weight >= -MAX_WEIGHT;
    else
        weight += weight < MAX_WEIGHT;
}
