// The adaptive predictor of one channel of the multimedia mode: each byte is
// predicted from the channel's last byte and its recent differences, weighted by
// five weights that adapt every 32 bytes towards the smallest prediction error;
// the stream carries only the error.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class AudioChannelState {
public:
    // Produces the byte for the coded error `delta` (0..255). channelDelta is the
    // difference of the last byte of any channel; it is updated here.
    uint8_t decodeByte(unsigned delta, int& channelDelta);

    // The same for a caller that keeps the channel's place in its adaptation
    // interval, as one place serves channels decoded in step: slot is this byte's
    // place, and advance() then moves the channel on by the bytes so decoded.
    uint8_t decodeAt(size_t slot, unsigned delta, int& channelDelta);
    void advance(unsigned bytes) {
        slot_ += bytes;
        if (slot_ == ADAPT_INTERVAL)
            endInterval();
    }
    unsigned slot() const { return slot_; }

    static constexpr unsigned ADAPT_INTERVAL = 32;

    // The weights K1..K5, for inspection.
    const std::array<int, 5>& weights() const { return weights_; }

private:
    void adaptWeights();
    void endInterval();

    std::array<int, 5> weights_{}; // K1..K5
    int lastDelta_ = 0;
    // What the bytes of the current interval were predicted with, by slot: the
    // coded error, the term D1 and the channel delta. D2 is the change of D1 from
    // one byte to the next, and D3 and D4 are D2 one and two bytes later, so D1's
    // history serves all four; it keeps the last three entries of the interval
    // before in front, where the first bytes of an interval find their
    // predecessors' terms.
    static constexpr size_t HISTORY_FRONT = 3;
    std::array<int16_t, ADAPT_INTERVAL> errors_{}; // as coded, 0..255
    std::array<int16_t, HISTORY_FRONT + ADAPT_INTERVAL> d1History_{};
    std::array<int16_t, ADAPT_INTERVAL> channelDeltas_{};
    unsigned slot_ = 0;
    uint8_t lastByte_ = 0;
};

// The weight search of one adaptation interval (see adaptWeights), in the two
// versions the processor may run: with the AVX2 instructions' 256-bit vectors,
// and with the SSE2 vectors every x86-64 processor has. The channel uses the
// AVX2 one where the processor has it (__builtin_cpu_supports("avx2")), which
// is also the condition for calling it. errors: the interval's coded errors; d1:
// D1 from three bytes before the interval on; channelDeltas: the channel delta
// each byte saw. Returns 0 for no change, 2k + 1 to move weight k down, 2k + 2
// to move it up.
unsigned weightSearchAvx2(const int16_t* errors, const int16_t* d1, const int16_t* channelDeltas);
unsigned weightSearchSse2(const int16_t* errors, const int16_t* d1, const int16_t* channelDeltas);

inline uint8_t AudioChannelState::decodeAt(size_t slot, unsigned delta, int& channelDelta) {
    const int lastByte = lastByte_;
    // D1 of this byte and of the three before it.
    const int d1 = lastDelta_;
    const int before1 = d1History_[slot + HISTORY_FRONT - 1];
    const int before2 = d1History_[slot + HISTORY_FRONT - 2];
    const int before3 = d1History_[slot + HISTORY_FRONT - 3];
    const int d2 = d1 - before1;
    const int d3 = before1 - before2;
    const int d4 = before2 - before3;

    // The prediction is lastByte + weighted / 8, so the byte's difference to the
    // last one is (weighted - 8 * delta) / 8 rounded down, taken as a byte. The
    // channel delta comes last, as it is the one term that waits on the byte before.
    const std::array<int, 5>& k = weights_;
    const int ownTerms =
        k[0] * d1 + k[1] * d2 + k[2] * d3 + k[3] * d4 - 8 * static_cast<int>(delta);
    const int difference = (ownTerms + k[4] * channelDelta) >> 3;
    const uint8_t result = static_cast<uint8_t>(lastByte + difference);

    // The error sums of the weights are taken every ADAPT_INTERVAL bytes from
    // what these bytes saw (see adaptWeights).
    errors_[slot] = static_cast<int16_t>(delta);
    d1History_[slot + HISTORY_FRONT] = static_cast<int16_t>(d1);
    channelDeltas_[slot] = static_cast<int16_t>(channelDelta);

    lastDelta_ = static_cast<int8_t>(difference);
    channelDelta = lastDelta_;
    lastByte_ = result;
    return result;
}

inline uint8_t AudioChannelState::decodeByte(unsigned delta, int& channelDelta) {
    const uint8_t result = decodeAt(slot_, delta, channelDelta);
    advance(1);
    return result;
}
