#include "textures/Texture.h"
#include "ImageFiles.h"
#include "OffscreenGl.h"
#include "TestSupport.h"
#include "images/ArchiveImageReader.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "textures/AlphaBounds.h"
#include "textures/TextureCache.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>

#include <GL/gl.h>

namespace {

// A picture of one colour, top-down rows for the encoder.
Bytes filled(int width, int height, std::initializer_list<unsigned char> pixel) {
    Bytes samples;
    for (int count = 0; count < width * height; ++count)
        samples.insert(samples.end(), pixel);
    return samples;
}

Bytes makePictures() {
    ArchiveWriter writer;
    writer.addStoredFile("data\\rgb.png",
                         encodePng(16, 8, PNG_COLOR_TYPE_RGB, 8, filled(16, 8, {255, 128, 0})));
    writer.addStoredFile("data\\rgba.png",
                         encodePng(4, 4, PNG_COLOR_TYPE_RGBA, 8, filled(4, 4, {1, 2, 3, 4})));
    // Sides that are not powers of two; the top half green, the bottom half blue.
    Bytes halves = filled(12, 3, {0, 200, 100});
    const Bytes blue = filled(12, 3, {20, 40, 220});
    halves.insert(halves.end(), blue.begin(), blue.end());
    writer.addStoredFile("data\\impact.png", encodePng(12, 6, PNG_COLOR_TYPE_RGB, 8, halves));
    writer.addStoredFile("data\\grey.png", encodePng(2, 2, PNG_COLOR_TYPE_GRAY, 8, Bytes(4, 7)));
    return writer.finish();
}

GLint levelParameter(int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Draws the bound texture over the whole view with the given vertex colour.
void drawTexturedQuad(float grey) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(grey, grey, grey);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
}

} // namespace

// The embedded archive replaced by pictures of the test's own.
class TextureCacheTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        useArchive(pictures_);
    }
    void TearDown() override {
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
        GlTest::TearDown();
    }
    static void useArchive(const Bytes& archive) {
        registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive.data(),
                         static_cast<uint32_t>(archive.size()));
    }

    const Bytes pictures_ = makePictures();
};

TEST_F(TextureCacheTest, BuildsMipmappedTexturesOfTheDecodedSizeAndFormat) {
    Texture* rgb = TextureCache::get("data\\rgb.png");
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb->width(), 16);
    EXPECT_EQ(rgb->height(), 8);
    rgb->bind();
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    // The full chain down to 1 × 1: 16 × 8, 8 × 4, 4 × 2, 2 × 1, 1 × 1.
    EXPECT_EQ(levelParameter(3, GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(levelParameter(4, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(4, GL_TEXTURE_HEIGHT), 1);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);

    Texture* rgba = TextureCache::get("data\\rgba.png");
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D), static_cast<GLint>(rgba->name()));
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    EXPECT_NE(rgb->name(), rgba->name());
}

TEST_F(TextureCacheTest, LeavesReplaceInForceSoVertexColoursAreIgnored) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // GLU rescales the sides while building the chain.
    Texture* impact = TextureCache::get("data\\impact.png");
    ASSERT_NE(impact, nullptr);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    EXPECT_EQ(impact->width(), 12);
    EXPECT_EQ(impact->height(), 6);
    drawTexturedQuad(0.0f);
    saveFramebuffer("texture-replace");
    EXPECT_EQ(pixelAt(400, 500), (Bytes{0, 200, 100, 255}));
    EXPECT_EQ(pixelAt(400, 100), (Bytes{20, 40, 220, 255}));
}

TEST_F(TextureCacheTest, SharesTexturesByExactNameAndReadsTheArchiveOnce) {
    Texture* first = TextureCache::get("data\\rgb.png");
    ASSERT_NE(first, nullptr);
    const Bytes empty = ArchiveWriter().finish();
    useArchive(empty);
    EXPECT_EQ(TextureCache::get("data\\rgb.png"), first);
    EXPECT_EQ(TextureCache::loadTexture("data\\rgb.png", false), first);
    // Another spelling is another entry, and needs the archive.
    EXPECT_EQ(TextureCache::get("DATA\\RGB.PNG"), nullptr);
    useArchive(pictures_);
    Texture* upper = TextureCache::get("DATA\\RGB.PNG");
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(upper, first);
    EXPECT_EQ(TextureCache::size(), 2u);
}

TEST_F(TextureCacheTest, CachesNothingForMissingOrUndecodablePicturesAndTriesAgain) {
    EXPECT_EQ(TextureCache::get("data\\late.png"), nullptr);
    EXPECT_EQ(TextureCache::get("data\\grey.png"), nullptr);
    EXPECT_EQ(TextureCache::size(), 0u);
    EXPECT_EQ(TextureCache::find("data\\late.png"), nullptr);

    ArchiveWriter writer;
    writer.addStoredFile("data\\late.png",
                         encodePng(2, 2, PNG_COLOR_TYPE_RGB, 8, filled(2, 2, {9, 9, 9})));
    const Bytes later = writer.finish();
    useArchive(later);
    Texture* late = TextureCache::get("data\\late.png");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(TextureCache::find("data\\late.png"), late);
}

TEST_F(TextureCacheTest, ReleaseAllDeletesTheGlTexturesAndEmptiesTheMap) {
    Texture* before = TextureCache::get("data\\rgb.png");
    ASSERT_NE(before, nullptr);
    ASSERT_NE(TextureCache::get("data\\rgba.png"), nullptr);
    const GLuint oldName = before->name();
    TextureCache::releaseAll();
    EXPECT_EQ(TextureCache::size(), 0u);
    EXPECT_EQ(TextureCache::find("data\\rgb.png"), nullptr);
    EXPECT_FALSE(glIsTexture(oldName));
    Texture* after = TextureCache::get("data\\rgb.png");
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(glIsTexture(after->name()));
}

TEST_F(TextureCacheTest, InsertKeepsTheFirstTextureForANameAndOwnsIt) {
    const unsigned char pixel[] = {1, 2, 3};
    auto* first = new Texture(pixel, 1, 1, 1, false);
    const GLuint firstName = first->name();
    TextureCache::insert("data\\one.png", first);
    TextureCache::insert("data\\one.png", nullptr);
    auto second = std::make_unique<Texture>(pixel, 1, 1, 1, false);
    TextureCache::insert("data\\one.png", second.get());
    EXPECT_EQ(TextureCache::find("data\\one.png"), first);
    EXPECT_EQ(TextureCache::size(), 1u);
    if (TextureCache::find("data\\one.png") == second.get())
        second.release(); // taken by mistake: the cache deletes it now
    TextureCache::releaseAll();
    EXPECT_FALSE(glIsTexture(firstName));
    if (second) {
        EXPECT_TRUE(glIsTexture(second->name()));
    }
}

class TextureTest : public GlTest {};

TEST_F(TextureTest, SingleLevelUploadKeepsTightlyPackedRowsIntact) {
    // Rows of 5 × 3 = 15 bytes: not a multiple of four.
    Bytes pixels(5 * 3 * 3);
    for (size_t byte = 0; byte < pixels.size(); ++byte)
        pixels[byte] = static_cast<unsigned char>(byte * 5);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    Texture texture(pixels.data(), 1, 5, 3, false);
    EXPECT_EQ(integerState(GL_UNPACK_ALIGNMENT), 4) << "restored after the upload";
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    EXPECT_EQ(levelParameter(1, GL_TEXTURE_WIDTH), 0) << "no mipmaps";
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    EXPECT_EQ(wrap, GL_REPEAT);

    Bytes stored(pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, stored.data());
    EXPECT_EQ(stored, pixels);
}

TEST_F(TextureTest, UnknownFormatLeavesAnEmptyTexture) {
    const unsigned char pixel[] = {1, 2, 3, 4};
    Texture texture(pixel, 2, 1, 1, true);
    EXPECT_TRUE(glIsTexture(texture.name()));
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 0);
}

// The texels a picture can show through: alpha widened by one texel, and the far
// edge's texel where alpha touches an edge (the repeat wrap samples it there).
// Spans as {start, end, wrapStart, wrapEnd} for x, then y.
TEST_F(TextureTest, VisibleBoxCoversTheAlphaWidenedForSampling) {
    using Spans = std::array<int32_t, 8>;
    auto box = [](const Texture& texture) {
        const TexelBox& b = texture.visibleBox();
        return Spans{b.x.start, b.x.end, b.x.wrapStart, b.x.wrapEnd,
                     b.y.start, b.y.end, b.y.wrapStart, b.y.wrapEnd};
    };
    Bytes pixels(16 * 8 * 4, 0); // bottom row first
    auto setAlpha = [&](int x, int y) { pixels[(y * 16 + x) * 4 + 3] = 9; };
    setAlpha(5, 3);
    setAlpha(9, 4);
    EXPECT_EQ(box(Texture(pixels.data(), 0, 16, 8, true)), (Spans{4, 11, 0, 0, 2, 6, 0, 0}));
    setAlpha(0, 4);
    setAlpha(9, 7);
    EXPECT_EQ(box(Texture(pixels.data(), 0, 16, 8, true)), (Spans{0, 11, 15, 16, 2, 8, 0, 1}))
        << "left edge: the right column too; top edge: the bottom row too";

    const Bytes clear(16 * 8 * 4, 0);
    const Spans none = box(Texture(clear.data(), 0, 16, 8, true));
    EXPECT_TRUE(none[0] >= none[1] || none[4] >= none[5]) << "no alpha, nothing visible";
    const Bytes rgb(16 * 8 * 3, 0);
    EXPECT_EQ(box(Texture(rgb.data(), 1, 16, 8, true)), (Spans{0, 16, 0, 0, 0, 8, 0, 0}))
        << "an RGB picture takes its alpha from the colour";
    const Bytes odd(12 * 6 * 4, 0);
    const Texture rescaled(odd.data(), 0, 12, 6, true);
    EXPECT_NE(rescaled.levelWidth(), 12);
    EXPECT_EQ(box(rescaled),
              (Spans{0, rescaled.levelWidth(), 0, 0, 0, rescaled.levelHeight(), 0, 0}))
        << "rescaled by GLU: the whole level";
}

// The quick search finds what the plain scan of every pixel finds, on pictures
// clear, opaque, or with alpha in a few scattered pixels or in blocks.
TEST(AlphaBounds, MatchesThePlainScan) {
    std::mt19937 random(20261210);
    const auto bounds = [](const AlphaBounds& b) {
        return std::array<int32_t, 4>{b.left, b.right, b.bottom, b.top};
    };
    for (int round = 0; round < 400; ++round) {
        const int32_t width = 1 + static_cast<int32_t>(random() % 33);
        const int32_t height = 1 + static_cast<int32_t>(random() % 33);
        Bytes pixels(static_cast<size_t>(width) * height * 4, round % 5 == 1 ? 255 : 0);
        const int marks = round % 5 == 2 ? 1 : static_cast<int>(random() % 6);
        for (int mark = 0; round % 5 > 1 && mark < marks; ++mark) {
            const int32_t x = static_cast<int32_t>(random() % width);
            const int32_t y = static_cast<int32_t>(random() % height);
            const int32_t side = round % 5 == 4 ? 1 + static_cast<int32_t>(random() % 6) : 1;
            for (int32_t row = y; row < std::min(y + side, height); ++row)
                for (int32_t column = x; column < std::min(x + side, width); ++column)
                    pixels[(static_cast<size_t>(row) * width + column) * 4 + 3] = 1;
        }
        ASSERT_EQ(bounds(alphaBounds(pixels.data(), width, height)),
                  bounds(plainAlphaBounds(pixels.data(), width, height)))
            << width << " x " << height << ", round " << round;
    }
}
