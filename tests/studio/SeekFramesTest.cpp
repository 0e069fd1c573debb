// Seeks through the finished show: the frame drawn after a seek, whichever way
// and however far it went, is the frame of a run that stepped every frame in full
// from the start, pixel for pixel, at three times in each section of the
// storyboard (the first frames of a section, its middle and its last frame).
#include "platform/Platform.h"
#include "studio/EglShowContext.h"
#include "studio/ShowRun.h"
#include "studio/ShowSource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;

using Pixels = std::vector<uint8_t>;

const std::vector<uint32_t> TIMES = {
    2016,  8500,   15950,  16016,  24000,  31983,  32016,  48000,  63983,  64016,  80000,  95983,
    96016, 104000, 111983, 112016, 128016, 143983, 144016, 154000, 163983, 164016, 170000, 176983};

class SeekFramesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(source_.useArchiveFile(std::string(GLIMMER_BUILD_DIR) + "/data.rar"))
            << "the show's archive is built with the tests: " << source_.failure();
        ASSERT_TRUE(source_.readScript(script_)) << source_.failure();
    }

    // The frames at times in the order given, from a run stepping as told.
    std::map<uint32_t, Pixels> frames(ShowRun::Stepping stepping,
                                      const std::vector<uint32_t>& times) {
        EglShowContext context(WIDTH, HEIGHT);
        ShowRun run(context, 60, stepping);
        EXPECT_TRUE(run.restart(script_)) << run.failure();
        std::map<uint32_t, Pixels> drawn;
        for (const uint32_t time : times) {
            EXPECT_TRUE(run.seek(time));
            context.framebuffer().readPixels(drawn[time]);
        }
        int quitCode = 0;
        EXPECT_FALSE(takeQuitMessage(&quitCode)) << "a layer failed: quit request " << quitCode;
        return drawn;
    }

private:
    ShowSource source_;
    std::string script_;
};

} // namespace

TEST_F(SeekFramesTest, ASeekShowsTheFrameOfARunThatSteppedEveryFrame) {
    const std::map<uint32_t, Pixels> reference =
        frames(ShowRun::Stepping::RENDER_EVERY_FRAME, TIMES);
    // Back and forth: 7 steps through 24 times, each seek from where the last
    // one left the run (a restart when it goes back).
    std::vector<uint32_t> order;
    for (size_t i = 0; i < TIMES.size(); ++i)
        order.push_back(TIMES[i * 7 % TIMES.size()]);
    const std::map<uint32_t, Pixels> seeks = frames(ShowRun::Stepping::ADVANCE_EARLY_FRAMES, order);
    for (const uint32_t time : TIMES) {
        const Pixels& expected = reference.at(time);
        const Pixels& seen = seeks.at(time);
        ASSERT_EQ(seen.size(), expected.size());
        size_t differing = 0;
        for (size_t at = 0; at < seen.size(); ++at)
            differing += seen[at] != expected[at];
        EXPECT_EQ(differing, 0u) << "channel values differ at " << time << " ms";
    }
}
