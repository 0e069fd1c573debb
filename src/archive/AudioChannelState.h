// The adaptive predictor of one channel of the multimedia mode: each byte is
// predicted from the channel's last byte and its recent differences, weighted by
// five weights that adapt every 32 bytes towards the smallest prediction error;
// the stream carries only the error.
#pragma once

#include <emmintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

    // Decodes up to `frames` whole frames of the Channels channels at `channels`,
    // which stand at the same place in their adaptation interval, no further
    // than its end: each frame one byte of every channel in turn, written to
    // out, which moves on. symbols.startFrame(frame) comes before each frame;
    // symbols(c, symbol) gives channel c's coded error, or false for the table
    // switch, which ends the run. Returns the bytes of the last frame begun:
    // Channels unless the switch cut it short. Gives the bytes decodeByte gives.
    template <unsigned Channels, typename Symbols>
    static inline __attribute__((always_inline)) unsigned
    decodeFrames(AudioChannelState* channels, size_t frames, int& channelDelta, unsigned char*& out,
                 Symbols& symbols);

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
    // One entry behind the interval: the D1 of the byte after its last, which
    // decodeFrames stores as it makes the byte before.
    static constexpr size_t HISTORY_FRONT = 3;
    std::array<int16_t, ADAPT_INTERVAL> errors_{}; // as coded, 0..255
    std::array<int16_t, HISTORY_FRONT + ADAPT_INTERVAL + 1> d1History_{};
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

// The frames of channels in step: the terms of D2..D4 are folded into weights
// of D1 and its three values before (K1 + K2, K3 - K2, K4 - K3, -K4, fixed for
// the interval), and the three older ones are weighed for all channels at once
// in 16-bit lanes, a frame ahead of the byte that waits on them; each byte then
// adds its D1 term and the channel delta's, the one step that waits on the byte
// before. Weights lie within -17..16 and deltas within -128..127, so every
// product and sum fits 16 bits.
template <unsigned Channels, typename Symbols>
inline unsigned AudioChannelState::decodeFrames(AudioChannelState* channels, size_t frames,
                                                int& channelDelta, unsigned char*& out,
                                                Symbols& symbols) {
    using Lanes = int16_t __attribute__((vector_size(16)));
    const size_t slot = channels[0].slot_;
    // D1 of the frame to come (also as numbers, latest, for the step that waits
    // on them) and of the three frames before it, the weights of the three
    // older ones, and the channels' last bytes.
    Lanes d1{}, d2{}, d3{}, d4{}, w2{}, w3{}, w4{}, lastBytes{};
    int latest[Channels], w1[Channels], w5[Channels];
    for (unsigned c = 0; c < Channels; ++c) {
        AudioChannelState& channel = channels[c];
        const std::array<int, 5>& k = channel.weights_;
        w1[c] = k[0] + k[1];
        w2[c] = static_cast<int16_t>(k[2] - k[1]);
        w3[c] = static_cast<int16_t>(k[3] - k[2]);
        w4[c] = static_cast<int16_t>(-k[3]);
        w5[c] = k[4];
        latest[c] = channel.lastDelta_;
        d1[c] = static_cast<int16_t>(channel.lastDelta_);
        d2[c] = channel.d1History_[slot + HISTORY_FRONT - 1];
        d3[c] = channel.d1History_[slot + HISTORY_FRONT - 2];
        d4[c] = channel.d1History_[slot + HISTORY_FRONT - 3];
        lastBytes[c] = channel.lastByte_;
        channel.d1History_[slot + HISTORY_FRONT] = d1[c];
    }
    int delta = channelDelta;
    unsigned decoded = Channels;
    size_t frame = 0;
    for (; frame < frames; ++frame) {
        symbols.startFrame(frame);
        const Lanes older = w2 * d2 + w3 * d3 + w4 * d4;
        const size_t at = slot + frame;
        // The new D1s, shifted in from the top of a number as they come, so that
        // no lane waits on a store.
        uint64_t next = 0;
        decoded = 0;
#pragma GCC unroll 4
        for (unsigned c = 0; c < Channels; ++c) {
            unsigned symbol;
            if (!symbols(c, symbol))
                break;
            AudioChannelState& channel = channels[c];
            channel.errors_[at] = static_cast<int16_t>(symbol);
            channel.channelDeltas_[at] = static_cast<int16_t>(delta);
            const int own = older[c] + w1[c] * latest[c] - 8 * static_cast<int>(symbol);
            delta = static_cast<int8_t>((own + w5[c] * delta) >> 3);
            channel.d1History_[at + HISTORY_FRONT + 1] = static_cast<int16_t>(delta);
            latest[c] = delta;
            next = next >> 16 | uint64_t{static_cast<uint16_t>(delta)} << 48;
            ++decoded;
        }
        const uint64_t nextBits = decoded == 0 ? 0 : next >> (16 * (4 - decoded));
        const Lanes nextLanes =
            reinterpret_cast<Lanes>(_mm_cvtsi64_si128(static_cast<int64_t>(nextBits)));
        // The bytes: each channel's last byte plus its new D1, in the low bytes
        // of the lanes, packed to the frame's bytes.
        const __m128i bytes =
            _mm_and_si128(reinterpret_cast<__m128i>(lastBytes + nextLanes), _mm_set1_epi16(0xFF));
        const uint32_t frameBytes =
            static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(bytes, bytes)));
        lastBytes = reinterpret_cast<Lanes>(bytes);
        if (decoded < Channels) {
            for (unsigned c = 0; c < decoded; ++c)
                *out++ = static_cast<unsigned char>(frameBytes >> (8 * c));
            break;
        }
        std::memcpy(out, &frameBytes, Channels);
        out += Channels;
        d4 = d3;
        d3 = d2;
        d2 = d1;
        d1 = nextLanes;
    }
    // A frame cut short by the switch moved only the channels before it on.
    for (unsigned c = 0; c < Channels; ++c) {
        channels[c].lastDelta_ = latest[c];
        channels[c].lastByte_ = static_cast<uint8_t>(lastBytes[c]);
        channels[c].advance(static_cast<unsigned>(frame) + (c < decoded && decoded < Channels));
    }
    channelDelta = delta;
    return decoded;
}
