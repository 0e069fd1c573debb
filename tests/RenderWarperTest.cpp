// GL 3.0 framebuffer calls, for the ramp the warp copies its texture from.
#define GL_GLEXT_PROTOTYPES
#include "effects/RenderWarper.h"
#include "ShowGl.h"
#include "platform/Platform.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace {

struct FeedbackVertex {
    float x, y, s;
};

// The polygons the warp sends to the rasteriser (its scene's, then the grid's),
// caught in feedback mode: window position and texture s of each vertex.
std::vector<std::vector<FeedbackVertex>> warpPolygons(RenderWarper& warper, uint32_t time) {
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    warper.render(time);
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<FeedbackVertex>> polygons;
    constexpr int VERTEX_FLOATS = 3 + 4 + 4; // position, colour, texture
    for (GLint at = 0; at < used;) {
        const auto token = static_cast<GLint>(buffer[at++]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const auto count = static_cast<int>(buffer[at++]);
        std::vector<FeedbackVertex> polygon;
        for (int vertex = 0; vertex < count; ++vertex, at += VERTEX_FLOATS)
            polygon.push_back({buffer[at], buffer[at + 1], buffer[at + 7]});
        polygons.push_back(polygon);
    }
    return polygons;
}

// A 512 x 512 framebuffer whose red rises with x (x / 2), bound for reading: the
// warp copies its texture from it in place of its scene, so the red of a pixel
// the grid draws tells the texture s it was drawn with.
class RampSource {
public:
    static constexpr int SIZE = 512;

    RampSource() {
        Bytes pixels(size_t{SIZE} * SIZE * 4, 255);
        for (size_t at = 0; at < pixels.size(); at += 4) {
            pixels[at] = static_cast<unsigned char>(at / 4 % SIZE / 2);
            pixels[at + 1] = pixels[at + 2] = 0;
        }
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, SIZE, SIZE, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_,
                               0);
    }
    ~RampSource() {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteTextures(1, &texture_);
    }
    RampSource(const RampSource&) = delete;
    RampSource& operator=(const RampSource&) = delete;

    bool complete() const {
        return glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    // The red a linearly filtered sample at s shows.
    static float redAt(float s) { return std::clamp(s * SIZE - 0.5f, 0.0f, SIZE - 1.0f) / 2.0f; }

private:
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
};

class RenderWarperTest : public ShowGlTest {
protected:
    void SetUp() override {
        ShowGlTest::SetUp();
        setClockForTesting([] { return 1000u; });
        // The program's window: the whole 800 x 600 frame.
        glViewport(0, 0, OffscreenContext::WIDTH, OffscreenContext::HEIGHT);
    }
    void TearDown() override {
        RenderWarper::releaseWarpTexture();
        ShowGlTest::TearDown();
    }
};

} // namespace

TEST_F(RenderWarperTest, WarpersShareOneTexture) {
    RenderWarper first;
    RenderWarper second;
    first.load();
    const GLuint texture = RenderWarper::warpTexture();
    ASSERT_NE(texture, 0u);
    second.load();
    EXPECT_EQ(RenderWarper::warpTexture(), texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 512);
}

// Each quad's first corner (its lower left) takes s = 0.02 i plus one draw of the
// shared generator scaled to 0..1, the draws in column-then-row order.
TEST_F(RenderWarperTest, FirstCornersAreThrownSidewaysByTheSharedGenerator) {
    RenderWarper warper;
    warper.load();
    runtimeSrand(4242);
    std::map<std::pair<int, int>, float> firstCornerS;
    for (const auto& polygon : warpPolygons(warper, 0)) {
        float left = 1e9f;
        float bottom = 1e9f;
        for (const FeedbackVertex& vertex : polygon) {
            left = std::min(left, vertex.x);
            bottom = std::min(bottom, vertex.y);
        }
        const int column = static_cast<int>(std::lround(left / 16.0f));
        const int row = static_cast<int>(std::lround(bottom / 12.0f));
        for (const FeedbackVertex& vertex : polygon)
            if (std::fabs(vertex.x - left) < 0.01f && std::fabs(vertex.y - bottom) < 0.01f &&
                std::fabs(vertex.x - column * 16.0f) < 0.01f)
                firstCornerS[{column, row}] = vertex.s;
    }
    ASSERT_EQ(firstCornerS.size(), 2500u);
    runtimeSrand(4242);
    for (int column = 0; column < 50; ++column)
        for (int row = 0; row < 50; ++row) {
            const float draw = static_cast<float>(runtimeRand()) * 3.0518509e-05f;
            const float s = firstCornerS[{column, row}];
            EXPECT_NEAR(s, 0.02f * column + draw, 1e-5f) << column << ", " << row;
            if (column == 49) {
                EXPECT_GE(s, 0.98f - 1e-5f);
                EXPECT_LE(s, 1.98f + 1e-5f);
            }
        }
}

// GL leaves it to the driver how a quad is split into triangles; the grid states
// its split, along the diagonal from the thrown first corner, so the throw spreads
// the same way on every driver. With quads of 10 x 10 pixels, the pixel at 0.75
// across and 0.65 up a quad lies on the thrown corner's side of that diagonal, a
// quarter of the way from the far edge: it shows s = 0.02 (i + 0.75) + r / 4 for
// the quad's draw r. Across the other diagonal it would show no throw at all.
TEST_F(RenderWarperTest, EachQuadIsSplitAlongTheDiagonalFromItsThrownCorner) {
    RenderWarper warper;
    warper.load();
    RampSource ramp;
    ASSERT_TRUE(ramp.complete());
    glViewport(0, 0, 500, 500);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    runtimeSrand(99);
    warper.render(0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    const Bytes frame = readPixels(0, 0, 500, 500);
    runtimeSrand(99);
    int wrong = 0;
    for (int column = 0; column < 50; ++column)
        for (int row = 0; row < 50; ++row) {
            const float r = static_cast<float>(runtimeRand()) * 3.0518509e-05f;
            const float expected = RampSource::redAt(0.02f * (column + 0.75f) + r / 4.0f);
            const int red = frame[(static_cast<size_t>(row * 10 + 6) * 500 + column * 10 + 7) * 4];
            if (std::fabs(red - expected) > 2.0f && wrong++ == 0)
                ADD_FAILURE() << "quad " << column << ", " << row << " with r = " << r << ": red "
                              << red << ", expected " << expected;
        }
    EXPECT_EQ(wrong, 0) << "quads whose upper right does not show the throw";
}

TEST_F(RenderWarperTest, WipesEarlierLayersAndLeavesItsState) {
    RenderWarper warper;
    warper.load();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // An earlier layer's green over the part of the frame the warp does not copy.
    glViewport(0, 0, OffscreenContext::WIDTH, OffscreenContext::HEIGHT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0, 1, 0);
    glRectf(0.5f, 0.5f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    warper.render(0);
    const Bytes frame = readPixels(0, 0, OffscreenContext::WIDTH, OffscreenContext::HEIGHT);
    int green = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
        green += frame[i + 1] > 200 && frame[i] < 50 && frame[i + 2] < 50;
    EXPECT_EQ(green, 0);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), RenderWarper::warpTexture());
}

TEST_F(RenderWarperTest, TheGridCoversTheViewItWasDrawnIn) {
    // A full-screen mode larger than 800 x 600, or a studio frame with bars: the
    // grid goes over that view, not over a fixed 800 x 600 corner.
    RenderWarper warper;
    warper.load();
    glViewport(100, 50, 600, 450);
    // The grid's corners lie on a 50 x 50 lattice over the view: 12 pixels apart
    // across, 9 up. The scene's polygons, drawn first, do not.
    const auto onLattice = [](const FeedbackVertex& vertex) {
        const float column = (vertex.x - 100.0f) / 12.0f;
        const float row = (vertex.y - 50.0f) / 9.0f;
        return std::fabs(column - std::round(column)) < 0.001f &&
               std::fabs(row - std::round(row)) < 0.001f && column >= -0.001f &&
               column <= 50.001f && row >= -0.001f && row <= 50.001f;
    };
    size_t gridPolygons = 0;
    float left = 1e9f, right = -1e9f, bottom = 1e9f, top = -1e9f;
    for (const auto& polygon : warpPolygons(warper, 0)) {
        if (!std::all_of(polygon.begin(), polygon.end(), onLattice))
            continue;
        ++gridPolygons;
        for (const FeedbackVertex& vertex : polygon) {
            left = std::min(left, vertex.x);
            right = std::max(right, vertex.x);
            bottom = std::min(bottom, vertex.y);
            top = std::max(top, vertex.y);
        }
    }
    EXPECT_GE(gridPolygons, 2500u);
    EXPECT_NEAR(left, 100.0f, 0.01f);
    EXPECT_NEAR(right, 700.0f, 0.01f);
    EXPECT_NEAR(bottom, 50.0f, 0.01f);
    EXPECT_NEAR(top, 500.0f, 0.01f);
}

TEST_F(RenderWarperTest, ReferenceFrame) {
    RenderWarper warper;
    warper.load();
    runtimeSrand(1);
    setClockForTesting([] { return 1000u; });
    warper.render(0);
    setClockForTesting([] { return 1000u + 2600u; });
    runtimeSrand(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    warper.render(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectFrameMatchesReference("warp-2600ms");
}
