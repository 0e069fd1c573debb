// A GL test for layers: the show's start-up state (render defaults and lighting),
// a small view in the corner of the offscreen framebuffer,
// pictures of the test's own in place of the embedded archive, message boxes and
// quit requests recorded rather than shown and sent, and reference frames.
#pragma once

#include "OffscreenGl.h"

#include <string>
#include <vector>

class LayerTest : public GlTest {
public:
    static constexpr int VIEW_WIDTH = 160;
    static constexpr int VIEW_HEIGHT = 120;

protected:
    void SetUp() override;
    void TearDown() override;

    // An RGB picture (three bytes a pixel, rows top-down as in the file) packed
    // under its name into the archive that usePictures registers.
    void addRgbPicture(const std::string& name, int width, int height, const Bytes& rgb);
    void addRgbaPicture(const std::string& name, int width, int height, const Bytes& rgba);
    // Makes the pictures added so far the embedded archive.
    void usePictures();

    // The exit code of the oldest quit request, which it removes; 1 when none.
    int takeQuitCode();

    // Fails unless the pixel is within tolerance of the expected RGBA bytes.
    void expectPixel(int x, int y, const Bytes& expected, int tolerance = 1);
    // Whether each channel of actual is within tolerance of expected.
    static ::testing::AssertionResult near(const Bytes& actual, const Bytes& expected,
                                           int tolerance = 1);
    // The view compared with tests/reference/<name>.png, channel by channel with
    // a tolerance for rasteriser differences; also saved under build/gl-shots to
    // look at. With GLIMMER_WRITE_REFERENCES=1 in the environment the view becomes
    // the new reference instead.
    void expectMatchesReference(const std::string& name);
    // The same for the whole framebuffer, reduced to the view's size by averaging,
    // for layers that set their own viewport; the full frame is saved to look at.
    void expectFrameMatchesReference(const std::string& name);

    std::vector<std::string> messages; // "caption: text" of each box shown

private:
    void compareWithReference(const std::string& name, const Bytes& view);

    std::vector<std::pair<std::string, Bytes>> pictures_;
    Bytes archive_;
};

// A picture of width × height pixels of one colour, ready for addRgbPicture or
// addRgbaPicture.
Bytes filledPicture(int width, int height, const Bytes& pixel);
