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

    // The channel's place in its adaptation interval.
    unsigned slot() const { return slot_; }
    // The difference of the channel's last byte to the one before.
    int lastDelta() const { return lastDelta_; }

    static constexpr unsigned ADAPT_INTERVAL = 32;

    // Decodes up to `frames` whole frames of the Channels channels at `channels`
    // (at most four), which stand at the same place in their adaptation
    // interval, no further than its end: each frame one byte of every channel in
    // turn, written to out, which moves on. channelDelta must be the last
    // channel's last delta, as it is when the bytes before came in whole frames.
    // symbols.startFrame(frame) comes before each frame; symbols(c, symbol) gives
    // channel c's coded error, or false for the table switch, which ends the run.
    // Returns the bytes of the last frame begun: Channels unless the switch cut
    // it short. Gives the bytes decodeByte gives.
    template <unsigned Channels, typename Symbols>
    static inline __attribute__((always_inline)) unsigned
    decodeFrames(AudioChannelState* channels, size_t frames, int& channelDelta, unsigned char*& out,
                 Symbols& symbols);

    // The weights K1..K5, for inspection.
    const std::array<int, 5>& weights() const { return weights_; }

private:
    // Eight 16-bit lanes: a value for each of four channels, twice.
    using Lanes = int16_t __attribute__((vector_size(16)));
    using LaneSums = uint16_t __attribute__((vector_size(16)));
    struct FrameSums;

    static void addFrameErrors(FrameSums& sums, const Lanes& errors, const Lanes& signedErrors,
                               const Lanes (&terms)[5]);
    static Lanes firstSmallestSums(const FrameSums& sums);
    // Lane `lane` (0..3) of `lanes` set to value: one case for each, as the
    // instruction takes its lane as a constant; the frame loop's lanes are known
    // where it is unrolled, and the switch goes.
    static __m128i withLane(__m128i lanes, int value, unsigned lane) {
        switch (lane) {
        case 0:
            return _mm_insert_epi16(lanes, value, 0);
        case 1:
            return _mm_insert_epi16(lanes, value, 1);
        case 2:
            return _mm_insert_epi16(lanes, value, 2);
        default:
            return _mm_insert_epi16(lanes, value, 3);
        }
    }
    // The low half's four lanes, in both halves.
    static Lanes bothHalves(const Lanes& lanes) {
        const __m128i low = reinterpret_cast<__m128i>(lanes);
        return reinterpret_cast<Lanes>(_mm_unpacklo_epi64(low, low));
    }
    void advance(unsigned bytes);
    void adaptWeights();
    void stepWeight(unsigned best);

    // The error sums of an interval: how far the bytes' errors, scaled as the
    // weighted terms are, lay from no change (0) and from each weight k moved
    // one step down (2k + 1) or up (2k + 2). Errors lie within +-1024 and terms
    // within +-255, so a sum of 32 fits 16 bits.
    static constexpr unsigned SUM_COUNT = 11;
    std::array<uint16_t, SUM_COUNT> errorSums_{};
    std::array<int, 5> weights_{}; // K1..K5, within -17..16
    static constexpr int MAX_WEIGHT = 16;
    int lastDelta_ = 0;           // D1 of the next byte
    std::array<int, 3> before_{}; // D1 of the three bytes before, the latest first
    unsigned slot_ = 0;
    uint8_t lastByte_ = 0;
};

inline uint8_t AudioChannelState::decodeByte(unsigned delta, int& channelDelta) {
    const int d1 = lastDelta_;
    const int terms[5] = {d1, d1 - before_[0], before_[0] - before_[1], before_[1] - before_[2],
                          channelDelta};
    int weighted = 0;
    for (unsigned k = 0; k < 5; ++k)
        weighted += weights_[k] * terms[k];
    // The prediction is lastByte + weighted / 8, so the byte's difference to the
    // last one is (weighted - 8 * delta) / 8 rounded down, taken as a byte.
    const int difference = (weighted >> 3) - static_cast<int>(delta);

    const int error = static_cast<int8_t>(delta) * 8;
    errorSums_[0] += static_cast<uint16_t>(error < 0 ? -error : error);
    for (unsigned k = 0; k < 5; ++k) {
        const int down = error - terms[k];
        const int up = error + terms[k];
        errorSums_[2 * k + 1] += static_cast<uint16_t>(down < 0 ? -down : down);
        errorSums_[2 * k + 2] += static_cast<uint16_t>(up < 0 ? -up : up);
    }

    before_ = {d1, before_[0], before_[1]};
    lastDelta_ = static_cast<int8_t>(difference);
    channelDelta = lastDelta_;
    lastByte_ = static_cast<uint8_t>(lastByte_ + difference);
    advance(1);
    return lastByte_;
}

// A frame's error sums for up to four channels: for each term, the distance to
// the weight's step down in the low half and up in the high half; then no change.
struct AudioChannelState::FrameSums {
    LaneSums steps[5];
    LaneSums none;
};

inline __attribute__((always_inline)) void
AudioChannelState::addFrameErrors(FrameSums& sums, const Lanes& errors, const Lanes& signedErrors,
                                  const Lanes (&terms)[5]) {
#pragma GCC unroll 5
    for (unsigned k = 0; k < 5; ++k) {
        const Lanes distance = terms[k] - signedErrors;
        sums.steps[k] += reinterpret_cast<LaneSums>(distance > -distance ? distance : -distance);
    }
    sums.none += reinterpret_cast<LaneSums>(errors > -errors ? errors : -errors);
}

// Moves the weight of the sum at index best a step down or up, as far as the
// weights' bounds allow; 0, no change, moves none (weight 0 by a step of
// nothing), all without a branch to guess.
inline void AudioChannelState::stepWeight(unsigned best) {
    const int down = best % 2;
    const int up = best != 0 && !down;
    int& weight = weights_[(best - (best != 0)) / 2];
    weight += (up & (weight < MAX_WEIGHT)) - (down & (weight >= -MAX_WEIGHT));
}

// For each of four channels, lane c: the index of the first smallest of its
// eleven sums, taken as above. The sums are compared as signed numbers with
// their top bit flipped, in the order of their indices, a later one only where
// it is smaller.
inline __attribute__((always_inline)) AudioChannelState::Lanes
AudioChannelState::firstSmallestSums(const FrameSums& sums) {
    const LaneSums flip = LaneSums{} + 0x8000;
    Lanes smallest = reinterpret_cast<Lanes>(sums.none ^ flip);
    Lanes best{};
#pragma GCC unroll 5
    for (unsigned k = 0; k < 5; ++k) {
        const __m128i steps = reinterpret_cast<__m128i>(sums.steps[k] ^ flip);
        const Lanes down = reinterpret_cast<Lanes>(steps);
        const Lanes up = reinterpret_cast<Lanes>(_mm_unpackhi_epi64(steps, steps));
        best = down < smallest ? Lanes{} + static_cast<int16_t>(2 * k + 1) : best;
        smallest = down < smallest ? down : smallest;
        best = up < smallest ? Lanes{} + static_cast<int16_t>(2 * k + 2) : best;
        smallest = up < smallest ? up : smallest;
    }
    return best;
}

// The frames of channels in step, side by side in the lanes of vectors: each
// byte waits only on the sum of its own D1 term and the channel delta's, the
// terms of D2..D4 being weighed for all channels at once, and the error sums are
// taken for all channels a frame at a time. The terms of D2..D4 are folded into
// weights of D1's three values before (K3 - K2, K4 - K3, -K4, fixed for the
// interval), as these are known a frame ahead. Weights lie within -17..16 and
// deltas within -128..127, so every product and sum fits 16 bits.
template <unsigned Channels, typename Symbols>
inline unsigned AudioChannelState::decodeFrames(AudioChannelState* channels, size_t frames,
                                                int& channelDelta, unsigned char*& out,
                                                Symbols& symbols) {
    // D1 of the frame to come and of the three frames before it, the folded
    // weights, all in both halves; the channels' last bytes. D1 is kept as
    // numbers too (latest), for the step that waits on it: taking it out of the
    // vector would make each frame wait on the vector of the frame before.
    Lanes d1{}, d2{}, d3{}, d4{}, w2{}, w3{}, w4{}, lastBytes{};
    int latest[Channels], w1[Channels], w5[Channels];
#pragma GCC unroll 4
    for (unsigned c = 0; c < Channels; ++c) {
        const AudioChannelState& channel = channels[c];
        const std::array<int, 5>& k = channel.weights_;
        w2[c] = static_cast<int16_t>(k[2] - k[1]);
        w3[c] = static_cast<int16_t>(k[3] - k[2]);
        w4[c] = static_cast<int16_t>(-k[3]);
        d1[c] = static_cast<int16_t>(channel.lastDelta_);
        d2[c] = static_cast<int16_t>(channel.before_[0]);
        d3[c] = static_cast<int16_t>(channel.before_[1]);
        d4[c] = static_cast<int16_t>(channel.before_[2]);
        w1[c] = k[0] + k[1];
        w5[c] = k[4];
        latest[c] = channel.lastDelta_;
        lastBytes[c] = channel.lastByte_;
    }
    d1 = bothHalves(d1);
    d2 = bothHalves(d2);
    d3 = bothHalves(d3);
    d4 = bothHalves(d4);
    w2 = bothHalves(w2);
    w3 = bothHalves(w3);
    w4 = bothHalves(w4);
    // Errors times +1 in the low half and -1 in the high half: a term minus
    // them is as far from the error as the weight's step down, and then up.
    const Lanes downThenUp = {1, 1, 1, 1, -1, -1, -1, -1};
    FrameSums sums{};
    int delta = channelDelta;
    unsigned decoded = Channels;
    size_t frame = 0;
    for (; frame < frames; ++frame) {
        symbols.startFrame(frame);
        const Lanes older = w2 * d2 + w3 * d3 + w4 * d4;
        __m128i next = _mm_setzero_si128();
        __m128i codedErrors = _mm_setzero_si128();
        decoded = 0;
#pragma GCC unroll 4
        for (unsigned c = 0; c < Channels; ++c) {
            unsigned symbol;
            if (!symbols(c, symbol))
                break;
            // The byte's difference to the last: (weighted - 8 * symbol) / 8
            // rounded down is weighted / 8 rounded down, less the symbol.
            const int own = older[c] + w1[c] * latest[c];
            delta = static_cast<int8_t>(((own + w5[c] * delta) >> 3) - static_cast<int>(symbol));
            latest[c] = delta;
            next = withLane(next, delta, c);
            codedErrors = withLane(codedErrors, static_cast<int>(symbol), c);
            ++decoded;
        }
        const Lanes nextLanes = bothHalves(reinterpret_cast<Lanes>(next));
        // The bytes: each channel's last byte plus its new D1, in the low bytes
        // of the lanes, packed to the frame's bytes.
        const __m128i bytes =
            _mm_and_si128(reinterpret_cast<__m128i>(lastBytes + nextLanes), _mm_set1_epi16(0xFF));
        const uint32_t frameBytes =
            static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(bytes, bytes)));
        lastBytes = reinterpret_cast<Lanes>(bytes);

        // The errors as coded (0..255) taken as signed bytes, times 8: moved to
        // the top of the lane and shifted back with their sign, three places short.
        const LaneSums raw =
            reinterpret_cast<LaneSums>(bothHalves(reinterpret_cast<Lanes>(codedErrors)));
        const Lanes errors = reinterpret_cast<Lanes>(raw << 8) >> 5;
        // The channel deltas: the one before the frame, which is the last
        // channel's D1, then those the frame made.
        const Lanes channelDeltas = reinterpret_cast<Lanes>(
            _mm_or_si128(_mm_slli_epi64(reinterpret_cast<__m128i>(nextLanes), 16),
                         _mm_srli_epi64(reinterpret_cast<__m128i>(d1), 16 * (Channels - 1))));
        const Lanes terms[5] = {d1, d1 - d2, d2 - d3, d3 - d4, channelDeltas};
        if (decoded < Channels) {
            for (unsigned c = 0; c < decoded; ++c)
                out[frame * Channels + c] = static_cast<unsigned char>(frameBytes >> (8 * c));
            // Only the channels decoded add to their sums.
            const Lanes taken = {decoded > 0, decoded > 1, decoded > 2, 0,
                                 decoded > 0, decoded > 1, decoded > 2, 0};
            const Lanes takenTerms[5] = {terms[0] * taken, terms[1] * taken, terms[2] * taken,
                                         terms[3] * taken, terms[4] * taken};
            addFrameErrors(sums, errors * taken, errors * downThenUp * taken, takenTerms);
            break;
        }
        addFrameErrors(sums, errors, errors * downThenUp, terms);
        std::memcpy(out + frame * Channels, &frameBytes, Channels);
        d4 = d3;
        d3 = d2;
        d2 = d1;
        d1 = nextLanes;
    }
    out += frame * Channels + (decoded < Channels ? decoded : 0);
    // A whole interval in one run adapts the weights from the sums at hand.
    const bool wholeInterval = frame == ADAPT_INTERVAL;
    const Lanes best = wholeInterval ? firstSmallestSums(sums) : Lanes{};
    // A frame cut short by the switch moved only the channels before it on.
#pragma GCC unroll 4
    for (unsigned c = 0; c < Channels; ++c) {
        AudioChannelState& channel = channels[c];
        const bool cut = c < decoded && decoded < Channels;
        channel.lastDelta_ = latest[c];
        channel.before_ =
            cut ? std::array<int, 3>{d1[c], d2[c], d3[c]} : std::array<int, 3>{d2[c], d3[c], d4[c]};
        channel.lastByte_ = static_cast<uint8_t>(lastBytes[c]);
        if (wholeInterval) {
            channel.stepWeight(static_cast<unsigned>(best[c]));
            continue;
        }
        channel.errorSums_[0] += sums.none[c];
#pragma GCC unroll 5
        for (unsigned k = 0; k < 5; ++k) {
            channel.errorSums_[2 * k + 1] += sums.steps[k][c];
            channel.errorSums_[2 * k + 2] += sums.steps[k][c + 4];
        }
        channel.advance(static_cast<unsigned>(frame) + cut);
    }
    channelDelta = delta;
    return decoded;
}
