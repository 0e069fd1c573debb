#include "archive/AudioChannelState.h"
#include "archive/ReferenceUnpack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>
#include <vector>

TEST(AudioChannelState, WithZeroWeightsEachByteIsTheLastMinusTheDelta) {
    AudioChannelState channel;
    int channelDelta = 0;
    EXPECT_EQ(channel.decodeByte(0x10, channelDelta), 0xF0);
    EXPECT_EQ(channelDelta, -16);
    EXPECT_EQ(channel.decodeByte(0x10, channelDelta), 0xE0);
    EXPECT_EQ(channel.decodeByte(0xF0, channelDelta), 0xF0); // a delta of -16 counts up
    EXPECT_EQ(channelDelta, 16);
}

TEST(AudioChannelState, WeightsMoveByOneEvery32BytesAndStayBounded) {
    std::mt19937 random(7);
    for (int run = 0; run < 4; ++run) {
        AudioChannelState channel;
        int channelDelta = 0;
        std::array<int, 5> before = channel.weights();
        bool moved = false;
        for (unsigned count = 1; count <= 20000; ++count) {
            // Steady ramps push the weights to their bounds; noise moves them about.
            const unsigned delta = run < 2 ? (run == 0 ? 3u : 253u) : random() % 256;
            channel.decodeByte(delta, channelDelta);
            const std::array<int, 5>& after = channel.weights();
            int change = 0;
            for (unsigned k = 0; k < 5; ++k) {
                change += std::abs(after[k] - before[k]);
                ASSERT_GE(after[k], -17);
                ASSERT_LE(after[k], 16);
            }
            ASSERT_LE(change, count % 32 == 0 ? 1 : 0) << "byte " << count;
            moved = moved || change != 0;
            before = after;
        }
        EXPECT_TRUE(moved) << "run " << run;
    }
}

namespace {

// The predictor written plainly, in full-width sums over the last 32 bytes'
// errors and terms, as the reference for the channel's narrower bookkeeping.
struct PlainPredictor {
    int k[5] = {};
    int d[4] = {};
    int lastDelta = 0;
    int lastByte = 0;
    long sums[11] = {};
    unsigned count = 0;

    static int signedByte(int value) { return static_cast<int8_t>(static_cast<uint8_t>(value)); }

    int decode(int delta, int& channelDelta) {
        d[3] = d[2];
        d[2] = d[1];
        d[1] = lastDelta - d[0];
        d[0] = lastDelta;
        const int sum = 8 * lastByte + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] + k[3] * d[3] +
                        k[4] * channelDelta;
        const int result = (((sum >> 3) & 0xFF) - delta) & 0xFF;
        const int error = signedByte(delta) * 8;
        const int terms[5] = {d[0], d[1], d[2], d[3], channelDelta};
        sums[0] += std::abs(error);
        for (int t = 0; t < 5; ++t) {
            sums[2 * t + 1] += std::abs(error - terms[t]);
            sums[2 * t + 2] += std::abs(error + terms[t]);
        }
        lastDelta = signedByte(result - lastByte);
        channelDelta = lastDelta;
        lastByte = result;
        if (++count % 32 == 0) {
            int best = 0;
            for (int i = 1; i < 11; ++i)
                if (sums[i] < sums[best])
                    best = i;
            int& weight = k[(best - 1) / 2];
            if (best != 0 && best % 2 == 1 && weight >= -16)
                --weight;
            else if (best != 0 && best % 2 == 0 && weight < 16)
                ++weight;
            std::fill(std::begin(sums), std::end(sums), 0);
        }
        return result;
    }
};

} // namespace

TEST(AudioChannelState, MatchesThePlainPredictorAlsoOnExtremeDeltas) {
    std::mt19937 random(11);
    // Extreme deltas swing the terms to +-255 and the errors to -1024 and 1016;
    // a run of mostly -1024 makes sums above 32767.
    const unsigned extremes[] = {0x80, 0x7F, 0x00, 0xFF};
    for (int run = 0; run < 3; ++run) {
        AudioChannelState channel;
        PlainPredictor plain;
        int channelDelta = 0;
        int plainDelta = 0;
        for (unsigned count = 1; count <= 20000; ++count) {
            const unsigned delta = run == 0   ? extremes[random() % 4]
                                   : run == 1 ? (count % 7 == 0 ? 0x7Fu : 0x80u)
                                              : random() % 256;
            ASSERT_EQ(channel.decodeByte(delta, channelDelta), plain.decode(delta, plainDelta))
                << "run " << run << " byte " << count;
            ASSERT_EQ(channelDelta, plainDelta);
            for (unsigned k = 0; k < 5; ++k)
                ASSERT_EQ(channel.weights()[k], plain.k[k]) << "byte " << count;
        }
    }
}

namespace {

// Coded errors for interleaved channels, with table switches at some places: a
// switch ends a run of frames and is consumed without a byte.
struct CodedStream {
    std::vector<unsigned> symbols;
    std::vector<bool> switchBefore; // by symbol
    size_t next = 0;
    void startFrame(size_t) {}
    bool operator()(unsigned, unsigned& symbol) {
        if (switchBefore[next]) {
            switchBefore[next] = false;
            return false;
        }
        symbol = symbols[next++];
        return true;
    }
};

// Decodes count bytes of the stream as the unpacker does: whole frames while
// the channels are in step, at most to the end of their adaptation interval,
// and byte by byte otherwise. channel is the next byte's channel.
template <unsigned Channels>
inline __attribute__((always_inline)) void
decodeInFrames(AudioChannelState* channels, CodedStream& stream, size_t count, unsigned& channel,
               int& channelDelta, unsigned char* out) {
    unsigned char* const end = out + count;
    while (out != end) {
        const size_t frames = std::min<size_t>(
            (end - out) / Channels, AudioChannelState::ADAPT_INTERVAL - channels[0].slot());
        bool inStep = channelDelta == channels[Channels - 1].lastDelta();
        for (unsigned c = 1; c < Channels; ++c)
            inStep = inStep && channels[c].slot() == channels[0].slot();
        if (channel == 0 && frames > 0 && inStep) {
            const unsigned decoded = AudioChannelState::decodeFrames<Channels>(
                channels, frames, channelDelta, out, stream);
            channel = decoded % Channels;
            continue;
        }
        unsigned symbol;
        if (!stream(channel, symbol))
            continue;
        *out++ = channels[channel].decodeByte(symbol, channelDelta);
        channel = (channel + 1) % Channels;
    }
}

// The channel counts of the test's three parts, in turn, on the same states, as
// a switch to another channel count leaves them.
constexpr unsigned PART_CHANNELS[3] = {4, 3, 2};

inline __attribute__((always_inline)) void decodeParts(AudioChannelState* channels,
                                                       CodedStream& stream,
                                                       const size_t (&sizes)[3],
                                                       unsigned char* out) {
    unsigned channel = 0;
    int channelDelta = 0;
    decodeInFrames<4>(channels, stream, sizes[0], channel, channelDelta, out);
    channel = channel < 3 ? channel : 0;
    decodeInFrames<3>(channels, stream, sizes[1], channel, channelDelta, out + sizes[0]);
    channel = channel < 2 ? channel : 0;
    decodeInFrames<2>(channels, stream, sizes[2], channel, channelDelta, out + sizes[0] + sizes[1]);
}

// The frame path as the processor's two versions of the unpacker compile it.
__attribute__((target("avx2"))) void decodePartsAvx2(AudioChannelState* channels,
                                                     CodedStream& stream, const size_t (&sizes)[3],
                                                     unsigned char* out) {
    decodeParts(channels, stream, sizes, out);
}

void decodePartsSse2(AudioChannelState* channels, CodedStream& stream, const size_t (&sizes)[3],
                     unsigned char* out) {
    decodeParts(channels, stream, sizes, out);
}

using DecodeParts = void (*)(AudioChannelState*, CodedStream&, const size_t (&)[3], unsigned char*);

// Random, extreme and steady errors with switches anywhere, decoded in frames,
// against the reference's predictor byte after byte.
void expectFramesMatchTheReference(DecodeParts decode) {
    std::mt19937 random(23);
    const unsigned extremes[] = {0x80, 0x7F, 0x00, 0xFF};
    for (int run = 0; run < 60; ++run) {
        const size_t sizes[3] = {random() % 3000, random() % 700, random() % 700};
        const size_t total = sizes[0] + sizes[1] + sizes[2];
        CodedStream stream;
        for (size_t i = 0; i < total; ++i) {
            stream.symbols.push_back(run % 3 == 0   ? random() % 256
                                     : run % 3 == 1 ? extremes[random() % 4]
                                                    : 3 + random() % 3);
            stream.switchBefore.push_back(random() % (run % 2 ? 40 : 400) == 0);
        }
        std::array<ReferenceChannel, 4> reference{};
        std::vector<unsigned char> expected;
        int referenceDelta = 0;
        unsigned channel = 0;
        for (unsigned part = 0; part < 3; ++part) {
            channel = channel < PART_CHANNELS[part] ? channel : 0;
            for (size_t i = 0; i < sizes[part]; ++i) {
                const unsigned symbol = stream.symbols[expected.size()];
                expected.push_back(predictChannelByte(reference[channel], symbol, referenceDelta));
                channel = (channel + 1) % PART_CHANNELS[part];
            }
        }
        std::array<AudioChannelState, 4> channels{};
        std::vector<unsigned char> decoded(total);
        decode(channels.data(), stream, sizes, decoded.data());
        ASSERT_EQ(decoded, expected) << "run " << run;
        for (unsigned c = 0; c < 4; ++c)
            for (unsigned k = 0; k < 5; ++k)
                ASSERT_EQ(channels[c].weights()[k], reference[c].K[k]) << "run " << run;
    }
}

} // namespace

TEST(AudioChannelState, FramesDecodeAsTheReferenceInTheBaselineVersion) {
    expectFramesMatchTheReference(decodePartsSse2);
}

TEST(AudioChannelState, FramesDecodeAsTheReferenceInTheAvx2Version) {
    if (!__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "this processor has no AVX2; the version cannot run here";
    expectFramesMatchTheReference(decodePartsAvx2);
}
