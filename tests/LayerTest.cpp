#include "LayerTest.h"

#include "ImageFiles.h"
#include "app/GlState.h"
#include "images/PngImageReader.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Per channel, for differences between rasteriser versions; a few pixels on
// edges may differ more.
constexpr int REFERENCE_TOLERANCE = 8;
constexpr double REFERENCE_OUTLIER_SHARE = 0.01;

std::string referencePath(const std::string& name) {
    return std::string(GLIMMER_REFERENCE_DIR) + "/" + name + ".png";
}

// Pixels outside the tolerance; -1 when the reference is missing or of another size.
long differingPixels(const std::string& path, const Bytes& view) {
    DecodedImage reference;
    if (!PngImageReader().load(reference, path.c_str()) || reference.isRgb ||
        reference.width != LayerTest::VIEW_WIDTH || reference.height != LayerTest::VIEW_HEIGHT)
        return -1;
    long differing = 0;
    for (size_t pixel = 0; pixel < view.size(); pixel += 4) {
        for (size_t channel = 0; channel < 4; ++channel) {
            if (std::abs(view[pixel + channel] - reference.pixels[pixel + channel]) >
                REFERENCE_TOLERANCE) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

// The whole framebuffer reduced to the view's size, each block of pixels averaged.
Bytes reducedFrame() {
    constexpr int BLOCK_X = OffscreenContext::WIDTH / LayerTest::VIEW_WIDTH;
    constexpr int BLOCK_Y = OffscreenContext::HEIGHT / LayerTest::VIEW_HEIGHT;
    const Bytes frame = readPixels(0, 0, OffscreenContext::WIDTH, OffscreenContext::HEIGHT);
    Bytes reduced(static_cast<size_t>(LayerTest::VIEW_WIDTH) * LayerTest::VIEW_HEIGHT * 4);
    for (size_t at = 0; at < reduced.size(); ++at) {
        const size_t pixel = at / 4;
        const size_t x = pixel % LayerTest::VIEW_WIDTH * BLOCK_X;
        const size_t y = pixel / LayerTest::VIEW_WIDTH * BLOCK_Y;
        int sum = 0;
        for (size_t dy = 0; dy < BLOCK_Y; ++dy)
            for (size_t dx = 0; dx < BLOCK_X; ++dx)
                sum += frame[((y + dy) * OffscreenContext::WIDTH + x + dx) * 4 + at % 4];
        reduced[at] = static_cast<unsigned char>(sum / (BLOCK_X * BLOCK_Y));
    }
    return reduced;
}

} // namespace

Bytes filledPicture(int width, int height, const Bytes& pixel) {
    Bytes samples;
    for (int count = 0; count < width * height; ++count)
        samples.insert(samples.end(), pixel.begin(), pixel.end());
    return samples;
}

void LayerTest::SetUp() {
    GlTest::SetUp();
    setDefaultGlState();
    setLightingState();
    glViewport(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
    // Also on standard error, where a death test looks for it.
    setMessageBoxForTesting([this](const std::string& text, const std::string& caption, int) {
        messages.push_back(caption + ": " + text);
        std::fprintf(stderr, "%s\n", messages.back().c_str());
        return static_cast<int>(IDOK);
    });
    clearQuitMessagesForTesting();
}

void LayerTest::TearDown() {
    setMessageBoxForTesting(nullptr);
    clearQuitMessagesForTesting();
    unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
    GlTest::TearDown();
}

void LayerTest::addRgbPicture(const std::string& name, int width, int height, const Bytes& rgb) {
    pictures_.emplace_back(name, encodePng(width, height, PNG_COLOR_TYPE_RGB, 8, rgb));
}

void LayerTest::addRgbaPicture(const std::string& name, int width, int height, const Bytes& rgba) {
    pictures_.emplace_back(name, encodePng(width, height, PNG_COLOR_TYPE_RGBA, 8, rgba));
}

void LayerTest::usePictures() {
    ArchiveWriter writer;
    for (const auto& [name, file] : pictures_)
        writer.addStoredFile(name, file);
    archive_ = writer.finish();
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive_.data(),
                     static_cast<uint32_t>(archive_.size()));
}

int LayerTest::takeQuitCode() {
    int code = 1;
    takeQuitMessage(&code);
    return code;
}

void LayerTest::expectPixel(int x, int y, const Bytes& expected, int tolerance) {
    EXPECT_TRUE(near(pixelAt(x, y), expected, tolerance)) << "pixel (" << x << ", " << y << ")";
}

::testing::AssertionResult LayerTest::near(const Bytes& actual, const Bytes& expected,
                                           int tolerance) {
    for (size_t channel = 0; channel < 4; ++channel) {
        if (std::abs(actual[channel] - expected[channel]) > tolerance)
            return ::testing::AssertionFailure()
                   << "RGBA " << +actual[0] << " " << +actual[1] << " " << +actual[2] << " "
                   << +actual[3] << ", expected " << +expected[0] << " " << +expected[1] << " "
                   << +expected[2] << " " << +expected[3];
    }
    return ::testing::AssertionSuccess();
}

void LayerTest::expectMatchesReference(const std::string& name) {
    saveFramebuffer(name, VIEW_WIDTH, VIEW_HEIGHT);
    compareWithReference(name, readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT));
}

void LayerTest::expectFrameMatchesReference(const std::string& name) {
    saveFramebuffer(name);
    compareWithReference(name, reducedFrame());
}

void LayerTest::compareWithReference(const std::string& name, const Bytes& view) {
    const std::string shot = std::string(GLIMMER_BUILD_DIR) + "/gl-shots/" + name + ".png";
    const char* write = std::getenv("GLIMMER_WRITE_REFERENCES");
    if (write && std::strcmp(write, "1") == 0) {
        ASSERT_TRUE(writeRgbaPng(referencePath(name), VIEW_WIDTH, VIEW_HEIGHT, view));
        return;
    }
    const long differing = differingPixels(referencePath(name), view);
    ASSERT_GE(differing, 0) << "no usable reference " << referencePath(name) << "; the frame is "
                            << shot;
    EXPECT_LE(differing, REFERENCE_OUTLIER_SHARE * VIEW_WIDTH * VIEW_HEIGHT)
        << "pixels off the reference " << name << "; the frame is " << shot;
}
