#include "resources/AudioChannelState.h"

#include <gtest/gtest.h>

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
