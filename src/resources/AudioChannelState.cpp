#include "resources/AudioChannelState.h"

namespace {

constexpr int MAX_WEIGHT = 16;

} // namespace

// The sum that came out smallest names the weight to move and the direction;
// index 0 (no change was best) moves nothing.
void AudioChannelState::adaptWeights() {
    unsigned best = 0;
    for (unsigned i = 1; i < errors_.size(); ++i)
        if (errors_[i] < errors_[best])
            best = i;
    errors_.fill(0);
    if (best == 0)
        return;
    int& weight = weights_[(best - 1) / 2];
    if (best % 2 == 1 && weight >= -MAX_WEIGHT)
        --weight;
    else if (best % 2 == 0 && weight < MAX_WEIGHT)
        ++weight;
}
