#include "ShowGl.h"

#include "ImageFiles.h"
#include "TestSupport.h"
#include "app/GlState.h"
#include "images/DecodedImage.h"
#include "images/PngImageReader.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

namespace {

constexpr int REDUCTION = 4;

// The frame's colour, each REDUCTION × REDUCTION block averaged; rows bottom-up,
// alpha set opaque.
Bytes reducedFrame() {
    const int width = OffscreenGl::WIDTH / REDUCTION;
    const int height = OffscreenGl::HEIGHT / REDUCTION;
    const Bytes frame = readPixels(0, 0, OffscreenGl::WIDTH, OffscreenGl::HEIGHT);
    Bytes reduced(static_cast<size_t>(width) * height * 4, 255);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int channel = 0; channel < 3; ++channel) {
                int sum = 0;
                for (int dy = 0; dy < REDUCTION; ++dy)
                    for (int dx = 0; dx < REDUCTION; ++dx)
                        sum +=
                            frame[((y * REDUCTION + dy) * OffscreenGl::WIDTH + x * REDUCTION + dx) *
                                      4 +
                                  channel];
                reduced[(static_cast<size_t>(y) * width + x) * 4 + channel] =
                    static_cast<unsigned char>(sum / (REDUCTION * REDUCTION));
            }
    return reduced;
}

std::string shotPath(const std::string& name) {
    const std::string directory = std::string(GLIMMER_BUILD_DIR) + "/gl-shots";
    mkdir(directory.c_str(), 0755);
    return directory + "/" + name + ".png";
}

} // namespace

void ShowGlTest::SetUp() {
    GlTest::SetUp();
    const std::vector<unsigned char> show =
        readWholeFile(std::string(GLIMMER_BUILD_DIR) + "/data.rar");
    ASSERT_FALSE(show.empty()) << "the show's archive is built with the tests";
    embed(Bytes(show.begin(), show.end()));
    setDefaultGlState();
    setLightingState();
    // The window's projection, which layers that set none draw with.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(54.0, 800.0 / 600.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    // Also on standard error, where a death test looks for it.
    setMessageBoxForTesting([this](const std::string& text, const std::string& caption, int) {
        messages.push_back(caption + ": " + text);
        std::fprintf(stderr, "%s\n", messages.back().c_str());
        return IDOK;
    });
    clearQuitMessagesForTesting();
}

void ShowGlTest::TearDown() {
    setMessageBoxForTesting(nullptr);
    setClockForTesting(nullptr);
    clearQuitMessagesForTesting();
    GlTest::TearDown();
    unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
}

void ShowGlTest::embed(const Bytes& archive) {
    archive_ = archive;
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive_.data(),
                     static_cast<uint32_t>(archive_.size()));
}

std::vector<int> ShowGlTest::takeQuitRequests() {
    std::vector<int> codes;
    int code = 0;
    while (takeQuitMessage(&code))
        codes.push_back(code);
    return codes;
}

void expectFrameMatchesReference(const std::string& name) {
    saveFramebuffer(name);
    const Bytes frame = reducedFrame();
    const int width = OffscreenGl::WIDTH / REDUCTION;
    const int height = OffscreenGl::HEIGHT / REDUCTION;
    writeRgbaPng(shotPath(name + "-reference"), width, height, frame);
    const std::vector<unsigned char> file =
        readWholeFile(std::string(GLIMMER_SOURCE_DIR) + "/tests/reference/" + name + ".png");
    DecodedImage reference;
    ASSERT_TRUE(PngImageReader().decode(reference, file.data(), file.size()))
        << "no reference tests/reference/" << name << ".png; the candidate is "
        << shotPath(name + "-reference");
    ASSERT_EQ(reference.width, width);
    ASSERT_EQ(reference.height, height);
    long total = 0;
    int outliers = 0;
    const int channels = reference.channels();
    for (int pixel = 0; pixel < width * height; ++pixel) {
        int largest = 0;
        for (int channel = 0; channel < 3; ++channel) {
            const int difference =
                std::abs(frame[pixel * 4 + channel] - reference.pixels[pixel * channels + channel]);
            total += difference;
            largest = std::max(largest, difference);
        }
        outliers += largest > 40;
    }
    EXPECT_LT(static_cast<double>(total) / (width * height * 3), 2.0) << name;
    EXPECT_LE(outliers, width * height / 100) << name;
}

std::string saveTestScene(Lib3dsFile* scene, const std::string& name) {
    const std::string directory = std::string(GLIMMER_BUILD_DIR) + "/test-scenes";
    mkdir(directory.c_str(), 0755);
    const std::string path = directory + "/" + name;
    EXPECT_TRUE(lib3ds_file_save(scene, path.c_str())) << path;
    return path;
}
