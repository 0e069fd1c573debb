#include "studio/FixedStep.h"
#include "studio/FrameTimes.h"
#include "studio/PictureGeometry.h"
#include "studio/StudioOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fixedstep;

TEST(FixedStep, FrameAtOrBeforeIsTheLastFrameNotAfterTheTime) {
    for (const uint32_t fps : {1u, 24u, 25u, 30u, 60u, 144u, 240u}) {
        uint32_t frame = 0;
        for (uint32_t t = 0; t <= 5000; ++t) {
            while (frameTime(frame + 1, fps) <= t)
                ++frame;
            ASSERT_EQ(frameAtOrBefore(t, fps), frame) << t << " ms at " << fps << " fps";
        }
    }
    EXPECT_EQ(frameTime(10619, 60), 176983u);
    EXPECT_EQ(frameAtOrBefore(SHOW_LENGTH_MS, 60), 10620u);
}

TEST(FixedStep, AVideoOfTheShowHasFpsTimes177Frames) {
    for (const uint32_t fps : {24u, 25u, 30u, 50u, 60u, 144u})
        EXPECT_EQ(framesBefore(SHOW_LENGTH_MS, fps), fps * 177) << fps;
    EXPECT_EQ(framesBefore(2000, 60), 120u);
    EXPECT_EQ(framesBefore(1, 60), 1u);
    EXPECT_EQ(framesBefore(17, 60), 2u); // frames at 0 and 16 ms
}

TEST(PictureGeometry, FourToThreeCentredWithEvenOffsets) {
    const PictureRect whole = pictureRect(800, 600);
    EXPECT_EQ((std::vector<int>{whole.x, whole.y, whole.width, whole.height}),
              (std::vector<int>{0, 0, 800, 600}));
    const PictureRect wide = pictureRect(1920, 1080);
    EXPECT_EQ((std::vector<int>{wide.x, wide.y, wide.width, wide.height}),
              (std::vector<int>{240, 0, 1440, 1080}));
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{
             {1366, 768}, {1000, 1000}, {17, 400}, {2560, 1080}, {801, 601}}) {
        const PictureRect rect = pictureRect(width, height);
        EXPECT_EQ(rect.x % 2, 0);
        EXPECT_EQ(rect.y % 2, 0);
        EXPECT_LE(rect.x + rect.width, width);
        EXPECT_LE(rect.y + rect.height, height);
        EXPECT_TRUE(rect.width == width || rect.height == height) << width << "x" << height;
        EXPECT_NEAR(rect.width * 3.0, rect.height * 4.0, 4.0) << width << "x" << height;
        EXPECT_LE(width - rect.width - 2 * rect.x, 3);
        EXPECT_LE(height - rect.height - 2 * rect.y, 3);
    }
}

TEST(FrameTimes, MedianOfTheLastSecond) {
    FrameTimes times;
    EXPECT_EQ(times.median(0.0), 0.0);
    times.add(0.1, 50.0); // leaves the window before the last look
    times.add(1.0, 4.0);
    times.add(1.2, 9.0);
    times.add(1.3, 5.0);
    EXPECT_EQ(times.median(1.3), 5.0);
    times.add(1.4, 7.0);
    EXPECT_EQ(times.median(1.4), 6.0);  // 4 5 7 9
    EXPECT_EQ(times.median(2.35), 7.0); // 7 alone: the others are older than a second
    EXPECT_EQ(times.median(3.0), 0.0);
}

namespace {

// Parses a command line given as words after the program name.
bool parse(std::vector<std::string> words, StudioOptions& options, std::string& error) {
    words.insert(words.begin(), "glimmer-studio");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return parseStudioOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

} // namespace

TEST(StudioOptions, CommandsWithTheirOptions) {
    StudioOptions render;
    std::string error;
    ASSERT_TRUE(
        parse({"render", "--at", "0,1500,177000", "--size", "1280x720", "--dir", "show", "shots/f"},
              render, error))
        << error;
    EXPECT_EQ(render.command, StudioCommand::Render);
    EXPECT_EQ(render.times, (std::vector<uint32_t>{0, 1500, 177000}));
    EXPECT_EQ(render.width, 1280);
    EXPECT_EQ(render.directory, "show");
    EXPECT_EQ(render.output, "shots/f");

    StudioOptions capture;
    ASSERT_TRUE(parse({"--archive", "a.rar", "capture", "--fps", "30", "--crf", "18", "out.mp4"},
                      capture, error))
        << error;
    EXPECT_EQ(capture.fps, 30u);
    EXPECT_EQ(capture.crf, 18);
    EXPECT_EQ(capture.length, SHOW_LENGTH_MS);
    EXPECT_EQ(capture.width, 0); // the command's own default
}

TEST(StudioOptions, BadUsageIsRefusedWithAReason) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"show"},
        {"render", "out"},
        {"render", "--at", "177001", "out"},
        {"render", "--at", "10,,20", "out"},
        {"render", "--at", "-5", "out"},
        {"render", "--at", "100", "--size", "800x", "out"},
        {"render", "--at", "100", "--size", "8x8", "out"},
        {"capture", "--fps", "0", "out.mp4"},
        {"capture", "--crf", "52", "out.mp4"},
        {"capture", "--at", "100", "out.mp4"},
        {"capture"},
        {"play", "--size", "800x600"},
        {"play", "extra"},
        {"--archive", "", "play"},
        {"play", "--start"},
        {"play", "--colour", "red"},
    };
    for (const auto& line : lines) {
        StudioOptions options;
        std::string error;
        std::string joined;
        for (const std::string& word : line)
            joined += word + " ";
        EXPECT_FALSE(parse(line, options, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
}
