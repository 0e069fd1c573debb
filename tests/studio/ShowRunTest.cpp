#include "studio/ShowRun.h"
#include "app/GlState.h"
#include "platform/Platform.h"
#include "studio/EglShowContext.h"
#include "studio/FixedStep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;

// The clear colour is the one piece of OpenGL state a ClearLayer sets, and it
// outlives the layer: block b, active from 600 to 700 ms only, leaves its cyan
// until a's event at 1000. Before a's first event at 100 the colour is the one
// the program starts with (black). So the picture at a time depends on the
// frames before it and on starting afresh.
const std::string SCRIPT = "[a]\r\nClearLayer\r\n0\r\n177000\r\n"
                           "100 I RGBA 255\r\n"       // red
                           "250 I RGBA 65280\r\n"     // green
                           "1000 I RGBA 16711680\r\n" // blue
                           "@\r\n"
                           "[b]\r\nClearLayer\r\n600\r\n700\r\n"
                           "0 I RGBA 16776960\r\n" // cyan
                           "@\r\n";

using Rgba = std::array<int, 4>;

Rgba centre(const std::vector<uint8_t>& pixels) {
    const size_t at = (static_cast<size_t>(HEIGHT / 2) * WIDTH + WIDTH / 2) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

class ShowRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearQuitMessagesForTesting();
        ASSERT_TRUE(run.restart(SCRIPT)) << run.failure();
    }

    std::vector<uint8_t> frameAt(uint32_t t) {
        EXPECT_TRUE(run.seek(t));
        std::vector<uint8_t> pixels;
        context.framebuffer().readPixels(pixels);
        return pixels;
    }

    EglShowContext context{WIDTH, HEIGHT};
    ShowRun run{context, 60};
};

} // namespace

TEST_F(ShowRunTest, TheSameTimeGivesTheSamePictureWhatEverCameBefore) {
    const std::vector<uint8_t> at800 = frameAt(800);
    // The script's colours have alpha 0; the start-up clear colour has alpha 1.
    EXPECT_EQ(centre(at800), (Rgba{0, 255, 255, 0}));
    EXPECT_EQ(centre(frameAt(1500)), (Rgba{0, 0, 255, 0}));
    EXPECT_EQ(centre(frameAt(50)), (Rgba{0, 0, 0, 255})); // a restart: nothing left of blue
    EXPECT_EQ(centre(frameAt(200)), (Rgba{255, 0, 0, 0}));
    EXPECT_EQ(frameAt(800), at800);
    EXPECT_EQ(frameAt(800), at800);
    EXPECT_EQ(run.time(), 800u);
}

TEST_F(ShowRunTest, FramesMatchARunThatDrawsEveryFrame) {
    // The reference: the program's start-up order and a player driven frame by
    // frame at 60 fps, every frame drawn, no studio in between.
    std::vector<std::vector<uint8_t>> reference;
    const std::vector<uint32_t> frames = {0, 6, 7, 15, 36, 41, 42, 48, 59, 60, 90};
    {
        EglShowContext plain(WIDTH, HEIGHT);
        ASSERT_TRUE(plain.renew());
        setDefaultGlState();
        setLightingState();
        runtimeSrand(1);
        runtimeRand();
        DemoScript script;
        script.parse(SCRIPT);
        DemoPlayer player(script);
        player.loadLayers();
        setClientView(WIDTH, HEIGHT);
        uint32_t now = 0;
        setClockForTesting([&now] { return 123456 + now; });
        for (uint32_t frame = 0; frame <= frames.back(); ++frame) {
            now = fixedstep::frameTime(frame, 60);
            player.renderFrame();
            if (std::find(frames.begin(), frames.end(), frame) != frames.end()) {
                reference.emplace_back();
                plain.framebuffer().readPixels(reference.back());
            }
        }
        setClockForTesting(nullptr);
    }
    ASSERT_TRUE(run.restart(SCRIPT)); // the clock hook is the run's again
    for (size_t i = 0; i < frames.size(); ++i) {
        const uint32_t t = fixedstep::frameTime(frames[i], 60);
        EXPECT_EQ(frameAt(t), reference[i]) << "frame " << frames[i] << " at " << t << " ms";
    }
    // Backwards, each from a restart.
    for (size_t i = frames.size(); i-- > 0;)
        EXPECT_EQ(frameAt(fixedstep::frameTime(frames[i], 60)), reference[i]) << frames[i];
}

TEST_F(ShowRunTest, ATimeBetweenFramesGetsAFrameOfItsOwn) {
    // At 60 fps frames fall at 583 and 600 ms; 599 is stepped to, then drawn.
    EXPECT_EQ(centre(frameAt(599)), (Rgba{0, 255, 0, 0}));
    EXPECT_EQ(centre(frameAt(600)), (Rgba{0, 255, 255, 0}));
    EXPECT_EQ(run.nextFrame(), 37u);
}

TEST_F(ShowRunTest, RestartPutsTheSharedRandomSequenceBackToProgramStart) {
    runtimeSrand(1);
    runtimeRand(); // drawn by the window at start-up
    const int first = runtimeRand();
    const int second = runtimeRand();
    for (int i = 0; i < 1000; ++i)
        runtimeRand();
    frameAt(3000);
    ASSERT_TRUE(run.restart(SCRIPT));
    EXPECT_EQ(runtimeRand(), first);
    EXPECT_EQ(runtimeRand(), second);
}
