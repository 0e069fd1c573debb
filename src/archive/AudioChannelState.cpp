#include "archive/AudioChannelState.h"

void AudioChannelState::advance(unsigned bytes) {
    slot_ += bytes;
    if (slot_ != ADAPT_INTERVAL)
        return;
    adaptWeights();
    errorSums_ = {};
    slot_ = 0;
}

// Moves the weight whose step would have made the interval's errors smallest:
// the first of the smallest sums, where the first is no change. Only intervals
// that runs of frames split come here; whole ones take firstSmallestSums.
void AudioChannelState::adaptWeights() {
    unsigned best = 0;
    for (unsigned i = 1; i < SUM_COUNT; ++i)
        if (errorSums_[i] < errorSums_[best])
            best = i;
    stepWeight(best);
}
