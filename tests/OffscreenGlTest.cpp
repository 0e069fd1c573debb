#include "OffscreenGl.h"

#include <GL/gl.h>

#include <string>

class OffscreenGlTest : public GlTest {};

// Frame tests compare against reference images: they need the window's pixel
// format and the same rasteriser everywhere.
TEST_F(OffscreenGlTest, MatchesTheWindowsFormatOnLlvmpipe) {
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    EXPECT_NE(renderer.find("llvmpipe"), std::string::npos) << renderer;
    for (GLenum channel : {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS})
        EXPECT_EQ(integerState(channel), 8);
    EXPECT_EQ(integerState(GL_DEPTH_BITS), 16);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], OffscreenContext::WIDTH);
    EXPECT_EQ(viewport[3], OffscreenContext::HEIGHT);
    // Fixed-function drawing works: a compatibility context.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glRectf(-1, -1, 0, 0);
    EXPECT_EQ(pixelAt(100, 100), (Bytes{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(700, 500), (Bytes{0, 0, 0, 255}));
}

// The frame benchmark draws at other sizes: the pbuffer and the viewport both
// take the size given, so the far corner is drawn and read back.
TEST(OffscreenContextTest, TakesTheSizeItIsGiven) {
    OffscreenContext gl(1920, 1080);
    ASSERT_TRUE(gl.ready()) << gl.failure();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1920);
    EXPECT_EQ(viewport[3], 1080);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glRectf(0, 0, 1, 1);
    EXPECT_EQ(pixelAt(1919, 1079), (Bytes{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(960, 540), (Bytes{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(959, 539), (Bytes{0, 0, 0, 255}));
}
