// The adaptive predictor of one channel of the multimedia mode: each byte is
// predicted from the channel's last byte and its recent differences, weighted by
// five weights that adapt every 32 bytes towards the smallest prediction error;
// the stream carries only the error.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

class AudioChannelState {
  public:
    // Produces the byte for the coded error `delta` (0..255). channelDelta is the
    // difference of the last byte of any channel; it is updated here.
    uint8_t decodeByte(unsigned delta, int& channelDelta);

    // The weights K1..K5, for inspection.
    const std::array<int, 5>& weights() const { return weights_; }

  private:
    static constexpr unsigned ADAPT_INTERVAL = 32;

    static int signedByte(int value) { return static_cast<int8_t>(static_cast<uint8_t>(value)); }
    void adaptWeights();

    std::array<int, 5> weights_{}; // K1..K5
    std::array<int, 4> deltas_{};  // D1..D4
    int lastDelta_ = 0;
    std::array<uint32_t, 11> errors_{}; // summed error of each weight tried one step up or down
    uint32_t byteCount_ = 0;
    uint8_t lastByte_ = 0;
};

inline uint8_t AudioChannelState::decodeByte(unsigned delta, int& channelDelta) {
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
