// The adaptive predictor of one channel of the multimedia mode: each byte is
// predicted from the channel's last byte and its recent differences, weighted by
// five weights that adapt every 32 bytes towards the smallest prediction error;
// the stream carries only the error.
#pragma once

#include <array>
#include <cstdint>

class AudioChannelState {
  public:
    // Produces the byte for the coded error `delta` (0..255). channelDelta is the
    // difference of the last byte of any channel; it is updated here.
    uint8_t decodeByte(unsigned delta, int& channelDelta);

    // The weights K1..K5, for inspection.
    const std::array<int, 5>& weights() const { return weights_; }

  private:
    void adaptWeights();

    std::array<int, 5> weights_{}; // K1..K5
    std::array<int, 4> deltas_{};  // D1..D4
    int lastDelta_ = 0;
    std::array<uint32_t, 11> errors_{}; // summed error of each weight tried one step up or down
    uint32_t byteCount_ = 0;
    uint8_t lastByte_ = 0;
};
