#include "archive/AudioChannelState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>

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
