#include "archive/AudioChannelState.h"

#include <algorithm>
#include <array>

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
    // sum, found without a branch to guess, in rounds of pairs.
    std::array<unsigned, 16> keys;
#pragma GCC unroll 16
    for (unsigned i = 0; i < 16; ++i)
        keys[i] = i < SUM_COUNT ? unsigned{errorSums_[i]} << 4 | i : ~0u;
#pragma GCC unroll 4
    for (unsigned width = 8; width > 0; width /= 2)
#pragma GCC unroll 8
        for (unsigned i = 0; i < width; ++i)
            keys[i] = std::min(keys[i], keys[i + width]);
    stepWeight(keys[0] & 15);
}
