#include "LayerTest.h"
#include "layers/Fader.h"
#include "layers/FlatView.h"
#include "layers/ImageLayer.h"
#include "layers/ImageScroller.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

namespace {

using Matrix = std::array<float, 16>;

Matrix matrixState(GLenum name) {
    Matrix matrix{};
    glGetFloatv(name, matrix.data());
    return matrix;
}

const Matrix IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Floats4 material(GLenum face, GLenum name) {
    Floats4 values{};
    glGetMaterialfv(face, name, values.data());
    return values;
}

void clearTo(float red, float green, float blue) {
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// A background with something in every corner, for the reference frames: a
// colour gradient over the whole view.
void paintGradient() {
    clearTo(0, 0, 0);
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    glColor3f(0.1f, 0.1f, 0.6f);
    glVertex2f(-1, -1);
    glColor3f(0.1f, 0.7f, 0.2f);
    glVertex2f(1, -1);
    glColor3f(0.9f, 0.8f, 0.1f);
    glVertex2f(1, 1);
    glColor3f(0.6f, 0.1f, 0.3f);
    glVertex2f(-1, 1);
    glEnd();
    glPopAttrib();
    glColor4f(1, 1, 1, 1);
}

// Messes up the state the flat layers must set back, so the test sees that they do.
void disturbState() {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_PROJECTION);
    glScalef(2, 2, 2);
    glMatrixMode(GL_MODELVIEW);
}

// The state every flat layer leaves: depth writes and lighting on, blending off,
// the model-view matrix current and the identity, the projection as it was.
void expectFlatLayerAftermath() {
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_TRUE(enabled(GL_LIGHTING));
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(matrixState(GL_MODELVIEW_MATRIX), IDENTITY);
    EXPECT_EQ(matrixState(GL_PROJECTION_MATRIX),
              (Matrix{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}));
}

// The view after the picture is drawn over the gradient as one plain quad,
// sampled with the texture's own filters.
Bytes plainQuadOverGradient(const char* picture) {
    paintGradient();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    TextureCache::find(picture)->bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    emitUnitQuad();
    glEnd();
    glDisable(GL_BLEND);
    return readPixels(0, 0, LayerTest::VIEW_WIDTH, LayerTest::VIEW_HEIGHT);
}

} // namespace

class FaderTest : public LayerTest {
protected:
    Fader fader;
};

TEST_F(FaderTest, FreshFaderCoversTheViewWithOpaqueBlack) {
    clearTo(0.2f, 0.4f, 0.6f);
    // Known codes of another value type, and unknown codes, change nothing.
    fader.setParamInt(param::OPAC, 0);
    fader.setParamString(param::OPAC, "0");
    fader.setParamFloat(param::RGBA, 0.0f);
    fader.render(0);
    expectPixel(0, 0, {0, 0, 0, 255}, 0);
    expectPixel(VIEW_WIDTH - 1, VIEW_HEIGHT - 1, {0, 0, 0, 255}, 0);
}

TEST_F(FaderTest, BlendsThePictureTowardsItsColourByItsOpacity) {
    clearTo(0.2f, 0.4f, 0.6f);
    fader.setParamFloat(param::OPAC, 0.0f);
    fader.render(0);
    expectPixel(80, 60, {51, 102, 153, 255});
    fader.setParamFloat(param::OPAC, 0.5f);
    fader.setParamFloat(param::REDC, 1.0f);
    fader.setParamFloat(param::GREN, 1.0f);
    fader.setParamFloat(param::BLUE, 1.0f);
    fader.render(0);
    // Alpha: 0.5 × 0.5 + 1 × 0.5.
    expectPixel(80, 60, {153, 178, 204, 191});

    paintGradient();
    fader.setParamFloat(param::GREN, 0.5f);
    fader.setParamFloat(param::BLUE, 0.0f);
    fader.render(0);
    expectMatchesReference("fader");
}

TEST_F(FaderTest, LeavesDrawingStateOnAndTheMaterialInItsColour) {
    disturbState();
    glDisable(GL_TEXTURE_2D);
    fader.setParamFloat(param::OPAC, 0.25f);
    fader.setParamFloat(param::REDC, 0.5f);
    fader.setParamFloat(param::GREN, 0.75f);
    fader.setParamFloat(param::BLUE, 1.0f);
    fader.render(0);
    expectFlatLayerAftermath();
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_FALSE(enabled(GL_COLOR_MATERIAL));
    const Floats4 colour = {0.5f, 0.75f, 1.0f, 0.25f};
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        EXPECT_EQ(material(face, GL_AMBIENT), colour);
        EXPECT_EQ(material(face, GL_DIFFUSE), colour);
    }
}

TEST_F(FaderTest, AtOpacityZeroLeavesThePictureAndTheStateOfADrawnQuad) {
    clearTo(0.2f, 0.4f, 0.6f);
    fader.setParamFloat(param::OPAC, -0.5f);
    fader.render(0);
    expectPixel(80, 60, {51, 102, 153, 255}, 0);

    disturbState();
    glColor4f(0.1f, 0.1f, 0.1f, 0.1f);
    glNormal3f(1.0f, 0.0f, 0.0f);
    glTexCoord2f(0.5f, 0.5f);
    fader.setParamFloat(param::OPAC, 0.0f);
    fader.setParamFloat(param::REDC, 0.5f);
    fader.render(0);
    expectPixel(80, 60, {51, 102, 153, 255}, 0);
    expectFlatLayerAftermath();
    const Floats4 colour = {0.5f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(floatState(GL_CURRENT_COLOR), colour);
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        EXPECT_EQ(material(face, GL_AMBIENT), colour);
        EXPECT_EQ(material(face, GL_DIFFUSE), colour);
    }
    EXPECT_EQ(floatState(GL_CURRENT_NORMAL), (Floats4{0.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(floatState(GL_CURRENT_TEXTURE_COORDS), (Floats4{0.0f, 1.0f, 0.0f, 1.0f}));
}

// Pictures of known colours: "halves" red over blue (RGB), "stripes" green left of
// magenta (RGB), "disc" an RGBA picture with soft transparent edges.
class PictureLayerTest : public LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        Bytes halves = filledPicture(16, 8, {255, 0, 0});
        const Bytes blue = filledPicture(16, 8, {0, 0, 255});
        halves.insert(halves.end(), blue.begin(), blue.end());
        addRgbPicture("data\\halves.png", 16, 16, halves);
        Bytes stripes;
        for (int pixel = 0; pixel < 16 * 4; ++pixel) {
            const Bytes colour = pixel % 16 < 8 ? Bytes{0, 200, 0} : Bytes{200, 0, 200};
            stripes.insert(stripes.end(), colour.begin(), colour.end());
        }
        addRgbPicture("data\\stripes.png", 16, 4, stripes);
        addRgbaPicture("data\\disc.png", 32, 32, disc());
        usePictures();
    }

    // Rings of colour, opaque in the middle and fading out towards the edge.
    static Bytes disc() {
        Bytes rgba;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const double radius = std::hypot(x - 15.5, y - 15.5) / 16.0;
                const auto ring =
                    static_cast<unsigned char>(static_cast<int>(radius * 6) % 2 * 255);
                const double alpha = std::max(0.0, std::min(1.0, 1.3 - radius));
                rgba.insert(rgba.end(), {ring, static_cast<unsigned char>(255 * (1 - radius / 2)),
                                         static_cast<unsigned char>(y * 8),
                                         static_cast<unsigned char>(alpha * 255)});
            }
        }
        return rgba;
    }
};

using ImageLayerTest = PictureLayerTest;

TEST_F(ImageLayerTest, FillsTheViewUprightWithTheFirstRowAtTheBottom) {
    ImageLayer layer;
    layer.setParamString(param::FILE, "data\\halves.png");
    layer.setParamFloat(param::OPAC, 0.3f); // stored only
    clearTo(0, 0, 0);
    layer.render(0);
    // Away from the top and bottom edges, where repeat wrapping blends the two.
    expectPixel(2, 20, {0, 0, 255, 255}, 0);
    expectPixel(80, 40, {0, 0, 255, 255}, 0);
    expectPixel(80, 80, {255, 0, 0, 255}, 0);
    expectPixel(VIEW_WIDTH - 2, VIEW_HEIGHT - 20, {255, 0, 0, 255}, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ImageLayerTest, DrawsOnlyWithAPictureAndWhileShown) {
    ImageLayer layer;
    clearTo(0, 0, 0);
    layer.render(0);
    expectPixel(80, 80, {0, 0, 0, 255}, 0);
    layer.setParamString(param::FILE, "data\\halves.png");
    layer.setParamInt(param::SHOW, 0);
    layer.render(0);
    expectPixel(80, 80, {0, 0, 0, 255}, 0);
    layer.setParamInt(param::SHOW, 5);
    layer.render(0);
    expectPixel(80, 80, {255, 0, 0, 255}, 0);
}

TEST_F(ImageLayerTest, PictureThatCannotBeLoadedIsReportedAndEndsTheShow) {
    ImageLayer layer;
    layer.setParamString(param::FILE, "data\\halves.png");
    EXPECT_EQ(takeQuitCode(), 1);
    layer.setParamString(param::FILE, "data\\missing.png");
    EXPECT_EQ(messages, (std::vector<std::string>{"Error: Could not load data\\missing.png"}));
    EXPECT_EQ(takeQuitCode(), -1);
    // The layer is left without a picture.
    clearTo(0, 0, 0);
    layer.render(0);
    expectPixel(80, 80, {0, 0, 0, 255}, 0);
}

TEST_F(ImageLayerTest, BlendsAnRgbaPictureAndSetsBackDepthAndLighting) {
    ImageLayer layer;
    layer.setParamString(param::FILE, "data\\disc.png");
    paintGradient();
    disturbState();
    layer.render(0);
    expectFlatLayerAftermath();
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D),
              static_cast<GLint>(TextureCache::find("data\\disc.png")->name()));
    GLint textureMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &textureMode);
    EXPECT_EQ(textureMode, GL_REPLACE);
    expectMatchesReference("image-layer");
}

// Pictures transparent but for a patch are drawn only where the patch can show:
// "patch" in the middle, "band" along the top edge (the repeat wrap shows it at
// the bottom too). The pixels must be exactly those of the plain quad over the
// whole view, and the scissor and the texture's filter must be as they were.
TEST_F(ImageLayerTest, DrawsExactlyThePlainQuadsPixelsAndKeepsScissorAndFilter) {
    Bytes patch = filledPicture(16, 16, {0, 0, 0, 0});
    Bytes band = patch;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 16; ++x) {
            const size_t at = static_cast<size_t>(y * 16 + x) * 4;
            band[at + 1] = static_cast<unsigned char>(20 * x);
            band[at + 3] = y < 3 ? 200 : 0;
            patch[at] = static_cast<unsigned char>(40 * y);
            patch[at + 3] =
                y >= 6 && x >= 5 && x < 9 ? static_cast<unsigned char>(60 * (x - 4)) : 0;
        }
    }
    addRgbaPicture("data\\patch.png", 16, 16, patch);
    addRgbaPicture("data\\band.png", 16, 16, band);
    usePictures();
    for (const char* name : {"data\\patch.png", "data\\band.png"}) {
        ImageLayer layer;
        layer.setParamString(param::FILE, name);
        paintGradient();
        layer.render(0);
        const Bytes drawn = readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
        EXPECT_FALSE(enabled(GL_SCISSOR_TEST)) << name;
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR) << name;

        EXPECT_EQ(drawn, plainQuadOverGradient(name)) << name;
    }

    ImageLayer layer;
    layer.setParamString(param::FILE, "data\\band.png");
    glEnable(GL_SCISSOR_TEST);
    glScissor(3, 4, 50, 60);
    layer.render(0);
    EXPECT_TRUE(enabled(GL_SCISSOR_TEST));
    std::array<GLint, 4> box{};
    glGetIntegerv(GL_SCISSOR_BOX, box.data());
    EXPECT_EQ(box, (std::array<GLint, 4>{3, 4, 50, 60}));
    glDisable(GL_SCISSOR_TEST);
}

// A picture at least as large as the view on one side is drawn as the plain quad,
// mipmapped: fine stripes across both sides that sampling level 0 alone would
// alias. 256 x 64 is magnified only upwards.
TEST_F(ImageLayerTest, PictureNotMagnifiedBothWaysIsThePlainMipmappedQuad) {
    for (const auto& [width, height] : {std::pair{256, 256}, std::pair{256, 64}}) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const std::string name = "data\\" + size + ".png";
        Bytes stripes;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                stripes.insert(stripes.end(), {static_cast<unsigned char>((x + y) % 2 * 255),
                                               static_cast<unsigned char>(x),
                                               static_cast<unsigned char>(y % 3 * 120)});
        addRgbPicture(name, width, height, stripes);
        usePictures();
        ImageLayer layer;
        layer.setParamString(param::FILE, name);
        paintGradient();
        layer.render(0);
        const Bytes drawn = readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
        saveFramebuffer("image-layer-" + size, VIEW_WIDTH, VIEW_HEIGHT);
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR) << size;
        EXPECT_TRUE(drawn == plainQuadOverGradient(name.c_str())) << size;
    }
}

class ImageScrollerTest : public PictureLayerTest {
protected:
    void SetUp() override {
        PictureLayerTest::SetUp();
        scroller.setParamString(param::FILE, "data\\stripes.png");
    }

    // Renders at the given time over black and returns the pixel in the middle of
    // where the blinking band lies.
    Bytes blinkingBandAt(uint32_t time, int x = 80) {
        clearTo(0, 0, 0);
        scroller.render(time);
        return pixelAt(x, BLINKING_BAND_Y);
    }

    // The blinking band covers y 54 to 74 of the 120-pixel view, the steady one
    // 69 to 86: y 0 to 1 in views of y -2.7 to 3.3 and -4 to 3.
    static constexpr int BLINKING_BAND_Y = 64;
    static constexpr int STEADY_BAND_Y = 77;
    // The blinking band adds half of each texel onto the picture.
    const Bytes green = {0, 100, 0, 255};
    const Bytes magenta = {100, 0, 100, 255};
    const Bytes black = {0, 0, 0, 255};

    ImageScroller scroller;
};

TEST_F(ImageScrollerTest, BlinksForTheFirst21MsOfEvery100) {
    EXPECT_NE(blinkingBandAt(120), black);
    EXPECT_EQ(blinkingBandAt(121), black);
    EXPECT_EQ(blinkingBandAt(199), black);
    EXPECT_NE(blinkingBandAt(200), black);
    clearTo(0, 0, 0);
    scroller.render(0);
    expectPixel(80, BLINKING_BAND_Y - 12, black, 0);
    expectPixel(80, BLINKING_BAND_Y + 12, black, 0);
}

TEST_F(ImageScrollerTest, DrawsWhateverShowSays) {
    scroller.setParamInt(param::SHOW, 0);
    EXPECT_NE(blinkingBandAt(0), black);
    scroller.setParamFloat(param::BLNK, 1.0f);
    clearTo(0, 0, 0);
    scroller.render(0);
    expectPixel(80, STEADY_BAND_Y, {0, 200, 0, 128}, 0);
}

TEST_F(ImageScrollerTest, ScrollsOneTextureWidthPerDivisor) {
    // 4.5 texture widths across the view: at x 5 the band shows 0.155 of a width
    // past its start, at x 25 0.717. At 500 ms the default divisor (2000) has
    // moved the start to 0.25.
    EXPECT_TRUE(near(blinkingBandAt(0, 5), green));
    EXPECT_TRUE(near(blinkingBandAt(0, 25), magenta));
    EXPECT_TRUE(near(blinkingBandAt(500, 5), green));
    EXPECT_TRUE(near(blinkingBandAt(500, 25), magenta));
    // A divisor of 0 or NaN is ignored; a negative one scrolls the other way.
    scroller.setParamFloat(param::DIVI, 0.0f);
    scroller.setParamFloat(param::DIVI, std::nanf(""));
    EXPECT_TRUE(near(blinkingBandAt(500, 5), green));
    scroller.setParamFloat(param::DIVI, -2000.0f);
    EXPECT_TRUE(near(blinkingBandAt(500, 5), magenta));
    EXPECT_TRUE(near(blinkingBandAt(500, 25), green));
    scroller.setParamFloat(param::DIVI, 1000.0f);
    EXPECT_TRUE(near(blinkingBandAt(500, 5), magenta));
}

TEST_F(ImageScrollerTest, SteadyBandRepeatsTheTextureEdgeOnceScrolledPastIt) {
    scroller.setParamFloat(param::BLNK, 1.0f); // any value switches blinking off
    clearTo(0, 0, 0);
    scroller.render(4000); // the band starts two texture widths on
    // Unblended, the edge texel's own colour (and the current alpha, 0.5): not the
    // left (green) half that repeating would show, nor the half-black blend of
    // the texture's border.
    expectPixel(80, STEADY_BAND_Y, {200, 0, 200, 128}, 0);
    expectPixel(80, BLINKING_BAND_Y - 12, black, 0);
    GLint wrap[2] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap[0]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap[1]);
    EXPECT_EQ(wrap[0], GL_REPEAT);
    EXPECT_EQ(wrap[1], GL_REPEAT);
    // Never blinks again: drawn at a time blinking would hide, the band's start
    // 0.075 of a width on, in the green half.
    scroller.render(150);
    expectPixel(80, STEADY_BAND_Y, {0, 200, 0, 128}, 0);

    disturbState();
    scroller.render(4000);
    expectFlatLayerAftermath();
    EXPECT_FALSE(enabled(GL_DEPTH_TEST)); // not touched
    EXPECT_EQ(floatState(GL_CURRENT_COLOR), (Floats4{1, 1, 1, 0.5f}));
}

TEST_F(ImageScrollerTest, LeavesHalfAlphaForTheNextRgbPicture) {
    paintGradient();
    scroller.render(1000);
    ImageScroller steady;
    steady.setParamString(param::FILE, "data\\halves.png");
    steady.setParamFloat(param::BLNK, 0.0f);
    steady.render(600);
    expectMatchesReference("image-scroller");

    clearTo(0, 0, 0);
    ImageLayer picture;
    picture.setParamString(param::FILE, "data\\halves.png");
    scroller.render(1000);
    picture.render(0);
    // Half of red over black; alpha 0.5 × 0.5 + 1 × 0.5.
    expectPixel(80, 100, {128, 0, 0, 191});
}
