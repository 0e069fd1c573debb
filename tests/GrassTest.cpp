#include "effects/Grass.h"
#include "LayerTest.h"
#include "app/GlState.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

float length(float y, float z) {
    return std::sqrt(y * y + z * z);
}

// What a drawing sends to the rasteriser, captured in feedback mode: the window
// height of every polygon corner, and the number of polygons and of line segments
// (what polygons become when drawn as outlines).
struct Feedback {
    std::vector<float> heights;
    int polygons = 0;
    int lines = 0;
};

template <typename Draw>
Feedback feedbackOf(Draw draw) {
    std::vector<GLfloat> buffer(1 << 19);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer too small";
    Feedback feedback;
    for (GLint at = 0; at < used;) {
        const auto token = static_cast<GLenum>(buffer[at]);
        if (token == GL_POLYGON_TOKEN) {
            const auto corners = static_cast<int>(buffer[at + 1]);
            for (int corner = 0; corner < corners; ++corner)
                feedback.heights.push_back(buffer[at + 2 + corner * 3 + 1]);
            at += 2 + corners * 3;
            ++feedback.polygons;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            at += 1 + 2 * 3;
            ++feedback.lines;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return feedback;
}

// One list through a view of x, y and z from -20 to 20 on the test's view.
Feedback feedbackOfList(GLuint list) {
    return feedbackOf([list] {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-20, 20, -20, 20, -20, 20);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
        glCallList(list);
    });
}

float windowHeight(float y) {
    return (y / 20.0f + 1.0f) / 2.0f * LayerTest::VIEW_HEIGHT;
}

} // namespace

TEST(GrassBladeTest, SwayingBladeAtTimeZeroTapersUpFromAStraightRoot) {
    const BladeShape blade = swayingBlade(0);
    ASSERT_EQ(blade.count, 21);
    EXPECT_FALSE(blade.textured);
    float previousWidth = 1.0f;
    for (int pair = 0; pair < 10; ++pair) {
        const BladeVertex& left = blade.vertices[2 * pair];
        const BladeVertex& right = blade.vertices[2 * pair + 1];
        EXPECT_FLOAT_EQ(left.position[1], 0.6f * pair);
        EXPECT_EQ(left.position[2], right.position[2]);
        EXPECT_NEAR(left.position[2], 2 * std::sin(0.2f * pair), 1e-5);
        EXPECT_EQ(left.position[0], -right.position[0]);
        EXPECT_LT(right.position[0], previousWidth);
        previousWidth = right.position[0];
        // The normal is perpendicular to the blade's curve in y and z.
        EXPECT_FLOAT_EQ(length(left.normal[1], left.normal[2]), 1.0f);
        EXPECT_NEAR(left.normal[1], -std::cos(0.2f * pair), 1e-5);
    }
    EXPECT_FLOAT_EQ(blade.vertices[1].position[0], 0.2f);
    EXPECT_FLOAT_EQ(blade.vertices[19].position[0], 0.2f * std::pow(0.1f, 0.4f));
    const BladeVertex& tip = blade.vertices[20];
    EXPECT_EQ(tip.position[0], 0.0f);
    EXPECT_FLOAT_EQ(tip.position[1], 6.18f);
    EXPECT_NEAR(tip.position[2], 2 * std::sin(2.0f), 1e-5);
    // Later the whole blade swings, but its root stays put.
    const BladeShape later = swayingBlade(628);
    EXPECT_NEAR(later.vertices[0].position[2], 0.0f, 1e-6);
    EXPECT_NEAR(later.vertices[20].position[2], 2 * std::sin(1.57f + 2.0f) - 2 * std::sin(1.57f),
                1e-5);
}

TEST(GrassBladeTest, CurlingBladeRisesStraightAtTimeZeroAndBendsInTheWind) {
    const BladeShape blade = curlingBlade(0);
    ASSERT_EQ(blade.count, 42);
    EXPECT_TRUE(blade.textured);
    EXPECT_EQ(blade.vertices[0].position, (std::array<float, 3>{-0.4f, 0, 0}));
    EXPECT_EQ(blade.vertices[1].position, (std::array<float, 3>{0.4f, 0, 0}));
    EXPECT_EQ(blade.vertices[0].normal, (std::array<float, 3>{0, 0, 1}));
    for (int i = 0; i < blade.count; ++i) {
        const BladeVertex& vertex = blade.vertices[i];
        EXPECT_EQ(vertex.texCoord[0], vertex.position[0]);
        EXPECT_EQ(vertex.texCoord[1], vertex.position[1]);
        EXPECT_NEAR(vertex.position[2], 0.0f, 1e-5);
    }
    EXPECT_NEAR(blade.vertices[41].position[1], 16.0f, 1e-4);
    EXPECT_FLOAT_EQ(blade.vertices[3].position[0], 20 * 0.05f * 0.4f);
    EXPECT_FLOAT_EQ(blade.vertices[41].position[0], 0.05f * 0.4f);

    // Near the strongest wind (sin 1.571 ≈ 1) each segment turns 0.2 radians
    // further: the blade curls over, every segment still 0.8 long.
    const BladeShape curled = curlingBlade(1571);
    float y = 0;
    float z = 0;
    for (int segment = 0; segment < 20; ++segment) {
        const BladeVertex& left = curled.vertices[2 + 2 * segment];
        EXPECT_NEAR(length(left.position[1] - y, left.position[2] - z), 0.8f, 1e-5);
        EXPECT_EQ(left.normal[1], left.position[2]);
        EXPECT_EQ(left.normal[2], left.position[1]);
        y = left.position[1];
        z = left.position[2];
    }
    EXPECT_LT(z, -2.0f);
}

TEST(GrassBladeTest, AlphaByteIsTheLowByteOfOpacityTimes255OrZeroWhenOutOfRange) {
    EXPECT_EQ(opacityAlphaByte(0.5f), 127);
    EXPECT_EQ(opacityAlphaByte(1.0f), 255);
    EXPECT_EQ(opacityAlphaByte(0.0f), 0);
    EXPECT_EQ(opacityAlphaByte(2.0f), 510 & 0xFF);
    EXPECT_EQ(opacityAlphaByte(-0.5f), -127 & 0xFF);
    EXPECT_EQ(opacityAlphaByte(8421504.0f), 0x80); // 2147483520, the largest in range
    EXPECT_EQ(opacityAlphaByte(-8421504.0f), 0x80);
    EXPECT_EQ(opacityAlphaByte(8421505.0f), 0);
    EXPECT_EQ(opacityAlphaByte(1e30f), 0);
    EXPECT_EQ(opacityAlphaByte(-std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(opacityAlphaByte(std::numeric_limits<float>::quiet_NaN()), 0);
}

class GrassTest : public LayerTest {
protected:
    // The blades' picture: dark red streaks.
    void addBladeTexture() {
        Bytes streaks;
        for (int pixel = 0; pixel < 16 * 16; ++pixel) {
            const auto red = static_cast<unsigned char>(90 + 60 * (pixel % 3));
            streaks.insert(streaks.end(), {red, 20, static_cast<unsigned char>(red / 4)});
        }
        addRgbPicture(Grass::TEXTURE_FILE, 16, 16, streaks);
    }

    // The field at the given time, through the show's projection, over black.
    void renderField(uint32_t time) {
        setClientView(VIEW_WIDTH, VIEW_HEIGHT);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        grass.render(time);
    }

    Grass grass;
};

TEST_F(GrassTest, BladeListsDrawTheirShapeLifted) {
    addBladeTexture();
    usePictures();
    grass.load();
    for (const char* style : {"SINE", "DIRC"}) {
        grass.setParamString(param::TYPE, style);
        const GLuint list = grass.buildBladeList(0);
        const Feedback feedback = feedbackOfList(list);
        glDeleteLists(list, 1);
        const BladeShape shape = grass.style() == Grass::DIRC ? curlingBlade(0) : swayingBlade(0);
        EXPECT_EQ(feedback.polygons, shape.count - 2) << style;
        ASSERT_FALSE(feedback.heights.empty()) << style;
        const auto [lowest, highest] =
            std::minmax_element(feedback.heights.begin(), feedback.heights.end());
        EXPECT_NEAR(*lowest, windowHeight(0.8f), 1e-3) << style;
        EXPECT_NEAR(*highest, windowHeight(shape.vertices[shape.count - 1].position[1] + 0.8f),
                    1e-3)
            << style;
    }
    EXPECT_EQ(grass.style(), Grass::DIRC);
}

TEST_F(GrassTest, TypeMustMatchExactly) {
    for (const char* ignored : {"dirc", "DIRCX", "DIR", "SINE "}) {
        grass.setParamString(param::TYPE, ignored);
        EXPECT_EQ(grass.style(), Grass::SINE) << ignored;
    }
    grass.setParamString(param::FILE, "DIRC");
    EXPECT_EQ(grass.style(), Grass::SINE);
    grass.setParamString(param::TYPE, "DIRC");
    grass.setParamString(param::TYPE, "sine");
    EXPECT_EQ(grass.style(), Grass::DIRC);
    grass.setParamString(param::TYPE, "SINE");
    EXPECT_EQ(grass.style(), Grass::SINE);
}

TEST_F(GrassTest, FieldsOfBothStylesMatchTheirReferenceFrames) {
    addBladeTexture();
    usePictures();
    grass.load();
    EXPECT_TRUE(messages.empty());
    renderField(1000);
    expectMatchesReference("grass-sine");

    grass.setParamString(param::TYPE, "DIRC");
    grass.setParamInt(param::GRPS, 1);
    grass.setParamFloat(param::XANG, 20.0f);
    grass.setParamFloat(param::YANG, -10.0f);
    grass.setParamFloat(param::ZANG, 5.0f);
    renderField(1000);
    expectMatchesReference("grass-dirc");
}

TEST_F(GrassTest, LeavesFilledCulledWhiteUntrackedStateAndNoLists) {
    addBladeTexture();
    usePictures();
    grass.load();
    grass.setParamInt(param::WIRE, 1);
    grass.setParamInt(param::RGBC, 0x11223344);
    grass.setParamFloat(param::OPAC, 0.5f);
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
    renderField(0);
    EXPECT_EQ(grass.colour(), 0x7F223344u);
    GLint polygonMode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(polygonMode[1], GL_FILL);
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
    EXPECT_FALSE(enabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(enabled(GL_NORMALIZE));
    EXPECT_EQ(floatState(GL_CURRENT_COLOR), (Floats4{1, 1, 1, 1}));
    // Transparent (the default): blended without depth, then set back.
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D),
              static_cast<GLint>(TextureCache::find(Grass::TEXTURE_FILE)->name()));
    for (GLuint name = 1; name <= 100; ++name)
        EXPECT_FALSE(glIsList(name)) << name;
}

TEST_F(GrassTest, WireDrawsOutlines) {
    addBladeTexture();
    usePictures();
    grass.load();
    const auto field = [this] { renderField(0); };
    const Feedback filled = feedbackOf(field);
    EXPECT_GT(filled.polygons, 1000);
    EXPECT_EQ(filled.lines, 0);
    grass.setParamInt(param::WIRE, 1);
    const Feedback outlined = feedbackOf(field);
    EXPECT_EQ(outlined.polygons, 0);
    // Three edges a triangle, give or take what clipping at the view's edges cuts.
    EXPECT_GT(outlined.lines, 2 * filled.polygons);
    grass.setParamInt(param::WIRE, 0);
    EXPECT_EQ(feedbackOf(field).polygons, filled.polygons);
}

TEST_F(GrassTest, MissingTextureIsReportedAndTheBladesDrawUntextured) {
    usePictures(); // an archive without the blades' picture
    grass.load();
    EXPECT_EQ(messages, (std::vector<std::string>{"Error: Could not load data\\2dunkelr.png"}));
    EXPECT_EQ(takeQuitCode(), -1);
    const Texture stray(Bytes(4 * 4 * 4, 200).data(), 0, 4, 4, false);
    ASSERT_EQ(integerState(GL_TEXTURE_BINDING_2D), static_cast<GLint>(stray.name()));
    renderField(0);
    EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D), 0);
}

// Transparent blades (TRNS 1) are blended over whatever the depth buffer holds and
// set depth writes back on and blending off; opaque ones (TRNS 0, the show's wire
// grass) are depth-tested and drawn with the blending in force, which they leave.
TEST_F(GrassTest, OnlyTransparentBladesIgnoreDepthAndSetItBack) {
    addBladeTexture();
    usePictures();
    grass.load();
    for (const int transparent : {1, 0}) {
        grass.setParamInt(param::TRNS, transparent);
        setClientView(VIEW_WIDTH, VIEW_HEIGHT);
        // The depth buffer nearer than anything: depth-tested blades show nowhere.
        glClearDepth(0.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        grass.render(0);
        bool drawn = false;
        const Bytes view = readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
        for (size_t at = 0; at < view.size(); at += 4)
            drawn = drawn || view[at] || view[at + 1] || view[at + 2];
        EXPECT_EQ(drawn, transparent != 0) << "TRNS " << transparent;
        EXPECT_TRUE(enabled(GL_DEPTH_TEST)) << "TRNS " << transparent;
        EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), transparent) << "TRNS " << transparent;
        EXPECT_EQ(enabled(GL_BLEND), !transparent) << "TRNS " << transparent;
        EXPECT_EQ(integerState(GL_BLEND_SRC), transparent ? GL_SRC_ALPHA : GL_ONE)
            << "TRNS " << transparent;
        EXPECT_EQ(integerState(GL_BLEND_DST), transparent ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE)
            << "TRNS " << transparent;
    }
}
