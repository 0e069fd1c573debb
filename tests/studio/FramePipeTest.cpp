#include "studio/FramePipe.h"

#include <gtest/gtest.h>

#include <thread>

TEST(FramePipe, FramesArriveInOrderAndAllBeforeTheClose) {
    constexpr uint8_t FRAMES = 200;
    FramePipe pipe(3);
    std::thread drawing([&] {
        FramePipe::Buffer buffer;
        for (uint8_t frame = 0; frame < FRAMES; ++frame) {
            ASSERT_TRUE(pipe.takeFree(buffer));
            buffer.assign(64, frame);
            pipe.putFilled(std::move(buffer));
        }
        pipe.close();
    });
    FramePipe::Buffer buffer;
    uint8_t expected = 0;
    while (pipe.takeFilled(buffer)) {
        ASSERT_EQ(buffer, FramePipe::Buffer(64, expected)) << int(expected);
        ++expected;
        pipe.putFree(std::move(buffer));
    }
    drawing.join();
    EXPECT_EQ(expected, FRAMES);
}

// The drawing side waits for a free buffer while the encoder holds them all, the
// encoding side for a frame; a stop (the encoder failed) must release both.
TEST(FramePipe, AStopReleasesBothSides) {
    FramePipe pipe(2);
    FramePipe::Buffer first, second, third;
    ASSERT_TRUE(pipe.takeFree(first));
    ASSERT_TRUE(pipe.takeFree(second));
    bool gotBuffer = true;
    bool gotFrame = true;
    std::thread drawing([&] { gotBuffer = pipe.takeFree(third); });
    std::thread encoding([&] { gotFrame = pipe.takeFilled(third); });
    pipe.stop();
    drawing.join();
    encoding.join();
    EXPECT_FALSE(gotBuffer);
    EXPECT_FALSE(gotFrame);
}
