#include "layers/ClearLayer.h"
#include "OffscreenGl.h"

#include <GL/gl.h>

#include <array>

namespace {

using Colour = std::array<float, 4>;

Colour clearColour() {
    Colour colour{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour.data());
    return colour;
}

} // namespace

class ClearLayerTest : public GlTest {
protected:
    ClearLayer layer;
};

TEST_F(ClearLayerTest, EachNonZeroByteOfRgbaMeansFullIntensity) {
    layer.setParamInt(param::RGBA, static_cast<int32_t>(4278190080u)); // 0xFF000000
    EXPECT_EQ(clearColour(), (Colour{0, 0, 0, 1}));
    layer.render(0);
    EXPECT_EQ(pixelAt(10, 10), (Bytes{0, 0, 0, 255}));

    layer.setParamInt(param::RGBA, 128 | 1 << 16);
    EXPECT_EQ(clearColour(), (Colour{1, 0, 1, 0}));
    layer.render(0);
    EXPECT_EQ(pixelAt(799, 599), (Bytes{255, 0, 255, 0}));
}

TEST_F(ClearLayerTest, IgnoresRgbaOfOtherValueTypesAndOtherCodes) {
    layer.setParamInt(param::RGBA, 0x00010000);
    layer.setParamFloat(param::RGBA, 1.0f);
    layer.setParamString(param::RGBA, "4294967295");
    layer.setParamInt(param::OPAC, -1);
    EXPECT_EQ(clearColour(), (Colour{0, 0, 1, 0}));
}

TEST_F(ClearLayerTest, WipesWhatAnEarlierLayerDrew) {
    layer.setParamInt(param::RGBA, 0x01000001);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    ASSERT_EQ(pixelAt(400, 300), (Bytes{0, 255, 0, 255}));
    layer.render(0);
    saveFramebuffer("clear-layer");
    EXPECT_EQ(pixelAt(400, 300), (Bytes{255, 0, 0, 255}));
    float depth = 0;
    glReadPixels(400, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
}
