// The overlay as play mode draws it, at 800 x 600 over a show frame: where the
// timeline bar puts the blocks' spans and the playhead is read back from the
// pixels. The picture is also saved as build/show-shots/overlay.png to look at.
#include "studio/TimelineBar.h"
#include "studio/EglShowContext.h"
#include "studio/Overlay.h"
#include "studio/PngFile.h"
#include "studio/ShowRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr uint32_t SHOW_MS = 177000;
constexpr uint32_t NOW = 66375; // three eighths of the show

// A block over the whole show, one over its second quarter (active now) and one
// from 100 s that has not begun.
const std::string SCRIPT = "[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 4282400832\r\n@\r\n"
                           "[b]\r\nFader\r\n44250\r\n88500\r\n0 f OPAC 0.2\r\n@\r\n"
                           "[c]\r\nFader\r\n100000\r\n132750\r\n0 f OPAC 0.2\r\n@\r\n";

struct Rgb {
    int red, green, blue;
};

bool isPlayhead(const Rgb& c) {
    return c.red > 240 && c.green > 240 && c.blue < 40;
}
bool isActiveSpan(const Rgb& c) {
    return c.red > 220 && c.green > 100 && c.green < 160 && c.blue < 80;
}
bool isCurrentSection(const Rgb& c) {
    return c.red > 220 && c.green > 180 && c.blue > 50 && c.blue < 110;
}
bool isIdleSpan(const Rgb& c) {
    return c.blue > c.red + 50 && c.blue > 120;
}

class TimelineBarTest : public ::testing::Test {
protected:
    // The show's frame at NOW, then, as play mode draws it in a context of its
    // own (the window's), that frame with the overlay's text and bar over it.
    void SetUp() override {
        ASSERT_TRUE(run.restart(SCRIPT)) << run.failure();
        ASSERT_TRUE(run.seek(NOW));
        std::vector<uint8_t> picture;
        context.framebuffer().readPixels(picture);
        ASSERT_TRUE(overlayContext.renew()) << overlayContext.failure();
        glRasterPos2i(-1, -1); // a new context draws in -1..1 both ways
        glDrawPixels(WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
        const Overlay overlay(GLIMMER_OVERLAY_FONT);
        ASSERT_TRUE(overlay.ready());
        const ShowTimeline timeline(run.player().entries(), run.fps());
        std::vector<std::string> lines{"66.375 s"};
        for (const std::string& line : timeline.describe(run.time(), overlay.columnsFor(WIDTH)))
            lines.push_back(line);
        overlay.draw(lines, WIDTH, HEIGHT);
        TimelineBar(WIDTH, HEIGHT, timeline.spans()).draw(run.time());
        overlayContext.framebuffer().readPixels(rgba);
        mkdir(GLIMMER_BUILD_DIR "/show-shots", 0755);
        writeRgbPng(GLIMMER_BUILD_DIR "/show-shots/overlay.png", WIDTH, HEIGHT,
                    framedRgb(WIDTH, HEIGHT, PictureRect{0, 0, WIDTH, HEIGHT}, rgba));
    }

    // Row 0 at the top.
    Rgb at(int x, int y) const {
        const size_t i = (static_cast<size_t>(HEIGHT - 1 - y) * WIDTH + x) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }

    // The first and last column of the row that pass the test; -1 when none do.
    template <typename Test>
    std::pair<int, int> extent(int y, Test test) const {
        std::pair<int, int> found{-1, -1};
        for (int x = 0; x < WIDTH; ++x) {
            if (test(at(x, y))) {
                found.first = found.first < 0 ? x : found.first;
                found.second = x;
            }
        }
        return found;
    }

    // The rows, top-down, in which some pixel passes the test.
    template <typename Test>
    std::vector<int> rowsWith(Test test) const {
        std::vector<int> rows;
        for (int y = 0; y < HEIGHT; ++y) {
            if (extent(y, test).first >= 0)
                rows.push_back(y);
        }
        return rows;
    }

    EglShowContext context{WIDTH, HEIGHT};
    ShowRun run{context, 60};
    EglShowContext overlayContext{WIDTH, HEIGHT};
    std::vector<uint8_t> rgba;
};

} // namespace

TEST_F(TimelineBarTest, SpansAndPlayheadStandWhereTheirTimesAreOnTheBar) {
    const auto spanOrPlayhead = [](const Rgb& c) { return isActiveSpan(c) || isPlayhead(c); };
    // The block over the whole show gives the bar's ends: its lane holds the
    // widest rows of active span (with the playhead crossing them).
    const std::vector<int> activeRows = rowsWith(isActiveSpan);
    int wholeRow = -1;
    int widest = -1;
    for (int y : activeRows) {
        const auto [first, last] = extent(y, spanOrPlayhead);
        if (last - first > widest) {
            widest = last - first;
            wholeRow = y;
        }
    }
    ASSERT_GE(wholeRow, 0) << "no active span drawn";
    const auto [left, right] = extent(wholeRow, spanOrPlayhead);
    EXPECT_GT(wholeRow, HEIGHT - 100) << "the bar runs along the bottom";
    EXPECT_GT(right - left, WIDTH * 9 / 10) << "the bar spans the width";
    const auto column = [&, left = left, right = right](uint32_t t) {
        return left + static_cast<int>(int64_t{t} * (right + 1 - left) / SHOW_MS);
    };
    EXPECT_NEAR(extent(wholeRow, isPlayhead).first, column(NOW), 1);

    // Block b, active now, in a lane of its own; block c, not begun, shares it.
    int secondLane = -1;
    for (int y : activeRows) {
        const auto [first, last] = extent(y, spanOrPlayhead);
        if (secondLane < 0 && y > wholeRow && last - first < widest / 2)
            secondLane = y;
    }
    ASSERT_GT(secondLane, wholeRow) << "no lane below the whole show's";
    const auto b = extent(secondLane, spanOrPlayhead);
    EXPECT_NEAR(b.first, column(44250), 1);
    EXPECT_NEAR(b.second, column(88500), 1);
    const auto c = extent(secondLane, isIdleSpan);
    EXPECT_NEAR(c.first, column(100000), 1);
    EXPECT_NEAR(c.second, column(132750), 1);

    // The section under the playhead (1:04 to 1:36) is marked, and no other.
    const std::vector<int> sectionRows = rowsWith(isCurrentSection);
    ASSERT_FALSE(sectionRows.empty()) << "the playhead's section is not marked";
    const auto section = extent(sectionRows.front(), isCurrentSection);
    EXPECT_NEAR(section.first, column(64000), 1);
    EXPECT_NEAR(section.second, column(96000), 1);

    // The playhead runs through the whole bar, and rises above it.
    const std::vector<int> playheadRows = rowsWith(isPlayhead);
    ASSERT_FALSE(playheadRows.empty());
    EXPECT_LT(playheadRows.front(), wholeRow);
    EXPECT_EQ(playheadRows.back(), HEIGHT - 1);
}
