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
    int lastDelta_ = 0;
    // Per byte of the last ADAPT_INTERVAL, a ring by byte count: the coded error
    // (times 8) and the terms D1..D4 and the channel delta it was predicted with.
    // The previous byte's terms are the base of the next byte's D1..D4.
    std::array<int16_t, ADAPT_INTERVAL> errorHistory_{};
    std::array<std::array<int16_t, ADAPT_INTERVAL>, 5> termHistory_{};
    uint32_t byteCount_ = 0;
    uint8_t lastByte_ = 0;
};

inline uint8_t AudioChannelState::decodeByte(unsigned delta, int& channelDelta) {
    const unsigned slot = byteCount_++ % ADAPT_INTERVAL;
    const unsigned previous = (slot - 1) % ADAPT_INTERVAL;
    const std::array<int, 4> d = {lastDelta_, lastDelta_ - termHistory_[0][previous],
                                  termHistory_[1][previous], termHistory_[2][previous]};

    const std::array<int, 5>& k = weights_;
    const int sum =
        8 * lastByte_ + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] + k[3] * d[3] + k[4] * channelDelta;
    const int prediction = (sum >> 3) & 0xFF;
    const uint8_t result = static_cast<uint8_t>(prediction - static_cast<int>(delta));

    // The error sums of the weights are taken every ADAPT_INTERVAL bytes from
    // what these bytes saw (see adaptWeights).
    errorHistory_[slot] = static_cast<int16_t>(signedByte(static_cast<int>(delta)) * 8);
    for (unsigned i = 0; i < 4; ++i)
        termHistory_[i][slot] = static_cast<int16_t>(d[i]);
    termHistory_[4][slot] = static_cast<int16_t>(channelDelta);

    lastDelta_ = signedByte(result - lastByte_);
    channelDelta = lastDelta_;
    lastByte_ = result;

    if (byteCount_ % ADAPT_INTERVAL == 0)
        adaptWeights();
    return result;
}
