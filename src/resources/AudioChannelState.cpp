#include "resources/AudioChannelState.h"

#include <cstdlib>

namespace {

constexpr unsigned ADAPT_INTERVAL = 32;
constexpr int MAX_WEIGHT = 16;

int signedByte(int value) {
    return static_cast<int8_t>(static_cast<uint8_t>(value));
}

} // namespace

uint8_t AudioChannelState::decodeByte(unsigned delta, int& channelDelta) {
    ++byteCount_;
    std::array<int, 4>& d = deltas_;
    d[3] = d[2];
    d[2] = d[1];
    d[1] = lastDelta_ - d[0];
    d[0] = lastDelta_;

    const std::array<int, 5>& k = weights_;
    const int sum =
        8 * lastByte_ + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] + k[3] * d[3] + k[4] * channelDelta;
    const int prediction = (sum >> 3) & 0xFF;
    const uint8_t result = static_cast<uint8_t>(prediction - static_cast<int>(delta));

    const int error = signedByte(static_cast<int>(delta)) * 8;
    const int terms[5] = {d[0], d[1], d[2], d[3], channelDelta};
    errors_[0] += static_cast<uint32_t>(std::abs(error));
    for (unsigned i = 0; i < 5; ++i) {
        errors_[2 * i + 1] += static_cast<uint32_t>(std::abs(error - terms[i]));
        errors_[2 * i + 2] += static_cast<uint32_t>(std::abs(error + terms[i]));
    }

    lastDelta_ = signedByte(result - lastByte_);
    channelDelta = lastDelta_;
    lastByte_ = result;

    if (byteCount_ % ADAPT_INTERVAL == 0)
        adaptWeights();
    return result;
}

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
