// The finished show as the program plays it: the show's own archive and script,
// the real player and layers on a fixed 60-frames-a-second clock (every frame
// before the one looked at is stepped), one frame in each section of the
// storyboard compared with tests/reference/show-<ms>.png. The comparison works on
// the frame reduced to 160 x 120 by averaging, per channel with a tolerance, so
// rasteriser rounding passes and a changed picture does not. A change that
// alters the show must renew the references on purpose: GLIMMER_WRITE_REFERENCES=1
// writes them. Every frame is also saved full size under build/show-shots.
#include "images/PngImageReader.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "studio/EglShowContext.h"
#include "studio/PngFile.h"
#include "studio/ShowRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr int BLOCK = 5; // reduced to 160 x 120
constexpr int REDUCED_WIDTH = WIDTH / BLOCK;
constexpr int REDUCED_HEIGHT = HEIGHT / BLOCK;
constexpr int TOLERANCE = 8;
constexpr double OUTLIER_SHARE = 0.01;

using Pixels = std::vector<uint8_t>;

Pixels readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Pixels(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// RGB rows bottom-up, each BLOCK x BLOCK square of the frame averaged.
Pixels reduced(const Pixels& rgba) {
    Pixels rgb(static_cast<size_t>(REDUCED_WIDTH) * REDUCED_HEIGHT * 3);
    for (size_t at = 0; at < rgb.size(); ++at) {
        const size_t x = at / 3 % REDUCED_WIDTH * BLOCK;
        const size_t y = at / 3 / REDUCED_WIDTH * BLOCK;
        int sum = 0;
        for (size_t dy = 0; dy < BLOCK; ++dy)
            for (size_t dx = 0; dx < BLOCK; ++dx)
                sum += rgba[((y + dy) * WIDTH + x + dx) * 4 + at % 3];
        rgb[at] = static_cast<uint8_t>(sum / (BLOCK * BLOCK));
    }
    return rgb;
}

Pixels flipped(const Pixels& rows, int width, int height, int channels) {
    const size_t stride = static_cast<size_t>(width) * channels;
    Pixels out(rows.size());
    for (int y = 0; y < height; ++y)
        std::memcpy(&out[(height - 1 - y) * stride], &rows[y * stride], stride);
    return out;
}

// Pixels of the reduced frame off the reference by more than the tolerance in
// any channel; -1 when the reference is missing or not a 160 x 120 RGB picture.
long differingPixels(const std::string& path, const Pixels& rgb) {
    DecodedImage reference;
    if (!PngImageReader().load(reference, path.c_str()) || !reference.isRgb ||
        reference.width != REDUCED_WIDTH || reference.height != REDUCED_HEIGHT)
        return -1;
    long differing = 0;
    for (size_t pixel = 0; pixel < rgb.size(); pixel += 3) {
        for (size_t channel = 0; channel < 3; ++channel) {
            if (std::abs(rgb[pixel + channel] - reference.pixels[pixel + channel]) > TOLERANCE) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

class ShowFramesTest : public ::testing::Test {
protected:
    void SetUp() override {
        archive_ = readFile(std::string(GLIMMER_BUILD_DIR) + "/data.rar");
        ASSERT_FALSE(archive_.empty()) << "the show's archive is built with the tests";
        registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive_.data(),
                         static_cast<uint32_t>(archive_.size()));
        uint32_t size = 0;
        const ArchiveBytes script = extractEmbeddedFile("data\\script.txt", &size);
        ASSERT_TRUE(script);
        setMessageBoxForTesting([](const std::string& text, const std::string& caption, int) {
            ADD_FAILURE() << caption << ": " << text;
            return IDOK;
        });
        ASSERT_TRUE(run_.restart(std::string(reinterpret_cast<const char*>(script.get()), size)))
            << run_.failure();
    }
    void TearDown() override {
        setMessageBoxForTesting(nullptr);
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
    }

    void expectFrameMatchesReference(uint32_t time) {
        ASSERT_TRUE(run_.seek(time));
        int quitCode = 0;
        EXPECT_FALSE(takeQuitMessage(&quitCode)) << "a layer failed: quit request " << quitCode;
        Pixels rgba;
        context_.framebuffer().readPixels(rgba);
        const std::string name = "show-" + std::to_string(time);
        save(std::string(GLIMMER_BUILD_DIR) + "/show-shots", name, WIDTH, HEIGHT, dropAlpha(rgba));
        const Pixels rgb = reduced(rgba);
        const std::string reference = std::string(GLIMMER_REFERENCE_DIR) + "/" + name + ".png";
        const char* write = std::getenv("GLIMMER_WRITE_REFERENCES");
        if (write && std::strcmp(write, "1") == 0) {
            ASSERT_TRUE(writeRgbPng(reference, REDUCED_WIDTH, REDUCED_HEIGHT,
                                    flipped(rgb, REDUCED_WIDTH, REDUCED_HEIGHT, 3)));
            return;
        }
        const long differing = differingPixels(reference, rgb);
        ASSERT_GE(differing, 0) << "no usable reference " << reference;
        EXPECT_LE(differing, OUTLIER_SHARE * REDUCED_WIDTH * REDUCED_HEIGHT)
            << "pixels off the reference at " << time << " ms; the frame is in build/show-shots";
    }

private:
    static Pixels dropAlpha(const Pixels& rgba) {
        Pixels rgb;
        rgb.reserve(rgba.size() / 4 * 3);
        for (size_t at = 0; at < rgba.size(); ++at) {
            if (at % 4 != 3)
                rgb.push_back(rgba[at]);
        }
        return rgb;
    }
    static void save(const std::string& directory, const std::string& name, int width, int height,
                     const Pixels& rgb) {
        mkdir(directory.c_str(), 0755);
        writeRgbPng(directory + "/" + name + ".png", width, height, flipped(rgb, width, height, 3));
    }

    Pixels archive_;
    EglShowContext context_{WIDTH, HEIGHT};
    ShowRun run_{context_, 60};
};

} // namespace

TEST_F(ShowFramesTest, OneFrameInEachSectionOfTheStoryboard) {
    // Title card, eye, grass and butterflies, donut with IMPACT, warp with the
    // hand, sphere with wire grass and greetings, credits, closing card.
    for (const uint32_t time : {6000u, 24000u, 50000u, 80000u, 104000u, 130000u, 154000u, 168000u})
        expectFrameMatchesReference(time);
}
