#include "effects/Butterflies.h"
#include "ShowGl.h"
#include "effects/ButterflySwarms.h"
#include "platform/Platform.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

namespace {

// The runtime's generator written out again, for values computed apart from the
// swarm's own code.
class Generator {
public:
    explicit Generator(uint32_t seed) : state_(seed) {}
    int operator()(int modulus) {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF) % modulus;
    }

private:
    uint32_t state_;
};

// What both modes must leave behind.
void expectDefaultStateRestored() {
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

bool frameIsClear() {
    const Bytes frame = readPixels(0, 0, OffscreenContext::WIDTH, OffscreenContext::HEIGHT);
    for (size_t i = 0; i < frame.size(); i += 4)
        if (frame[i] || frame[i + 1] || frame[i + 2])
            return false;
    return true;
}

class ButterfliesTest : public ShowGlTest {
protected:
    void render(Butterflies& layer, uint32_t time) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        layer.render(time);
    }
};

} // namespace

namespace {

// The draws both swarms begin and end each butterfly with.
void expectFirstDraws(const Butterfly& butterfly, Generator& draw) {
    EXPECT_EQ(butterfly.speed, static_cast<float>(draw(100)) * 0.01f + 2.0f);
    EXPECT_EQ(butterfly.angleZ, draw(40) - 20);
    EXPECT_EQ(butterfly.angleY, draw(30) - 15);
    EXPECT_EQ(butterfly.angleX, draw(40) - 20);
}

void expectLastDraws(const Butterfly& butterfly, Generator& draw) {
    EXPECT_EQ(butterfly.centerZ, static_cast<float>(draw(100)) * 0.016666668f - 1.5f);
    draw(100);
    EXPECT_EQ(butterfly.centerX, static_cast<float>(draw(100)) * 0.025f);
    EXPECT_EQ(butterfly.phase, draw(500));
}

} // namespace

TEST(ButterflySwarms, MatchTheGeneratorNumberForNumber) {
    Generator rising(200);
    for (const Butterfly& butterfly : risingSwarm()) {
        expectFirstDraws(butterfly, rising);
        expectLastDraws(butterfly, rising);
    }
    Generator kugel(55552);
    for (const Butterfly& butterfly : kugelSwarm()) {
        expectFirstDraws(butterfly, kugel);
        EXPECT_EQ(butterfly.z, static_cast<float>(kugel(100)) * 0.033333335f);
        EXPECT_EQ(butterfly.y, static_cast<float>(kugel(100)) * 0.033333335f);
        EXPECT_EQ(butterfly.x, static_cast<float>(kugel(100)) * 0.033333335f);
        expectLastDraws(butterfly, kugel);
    }
    // Made once: a second look finds the same swarm.
    EXPECT_EQ(&risingSwarm(), &risingSwarm());
}

TEST_F(ButterfliesTest, KugelModeOnlyForTheWholeWordInAnyCase) {
    Butterflies layer;
    layer.load();
    for (const char* mode : {"kugel", "KuGeL", "KUGEL"}) {
        layer.setParamString(param::MODE, mode);
        const float before = spinAngle();
        render(layer, 100);
        EXPECT_EQ(spinAngle(), before + 2.0f) << mode;
    }
    for (const char* mode : {"", "kuge", "kugelx", "kugel ", "rise"}) {
        layer.setParamString(param::MODE, mode);
        const float before = spinAngle();
        render(layer, 100);
        EXPECT_EQ(spinAngle(), before) << mode;
    }
    layer.setParamInt(param::MODE, 1); // MODE is a string parameter
    const float before = spinAngle();
    render(layer, 100);
    EXPECT_EQ(spinAngle(), before);
}

TEST_F(ButterfliesTest, EveryKugelLayerTurnsTheSharedClusterAndBothModesRestoreTheState) {
    Butterflies first;
    Butterflies second;
    first.load();
    second.load();
    first.setParamString(param::MODE, "kugel");
    second.setParamString(param::MODE, "kugel");
    const float before = spinAngle();
    render(first, 0);
    expectDefaultStateRestored();
    render(second, 0);
    EXPECT_EQ(spinAngle(), before + 4.0f);
    second.setParamString(param::MODE, "");
    render(second, 40);
    expectDefaultStateRestored();
    EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D),
              static_cast<GLint>(TextureCache::find("data\\schmettalyng.png")->name()));
}

TEST_F(ButterfliesTest, WithoutItsPicturesItSaysSoAndDrawsUntextured) {
    embed(Bytes{});
    Butterflies layer;
    layer.load();
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Error: Could not load data\\schmettalyng.png",
                                        "Error: Could not load data\\lava_*.png environment map"}));
    EXPECT_EQ(takeQuitCode(), -1);
    EXPECT_EQ(takeQuitCode(), -1);
    EXPECT_EQ(takeQuitCode(), 1) << "no third request";
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    render(layer, 500);
    EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D), 0);
}

// TMOF above the layer time: nothing until then; at the origin the swarm starts
// from its beginning, as it does with the origin taken from the first render.
TEST_F(ButterfliesTest, RisingSwarmStartsAtItsTimeOrigin) {
    Butterflies layer;
    layer.load();
    layer.setParamInt(param::TMOF, 3000);
    const RisingSwarm& swarm = risingSwarm();
    render(layer, 1000);
    EXPECT_TRUE(frameIsClear());
    expectDefaultStateRestored();
    render(layer, 3000);
    for (const Butterfly& butterfly : swarm)
        EXPECT_EQ(butterfly.y,
                  static_cast<float>(butterfly.phase) * butterfly.speed * 0.00083333335f);
    layer.setParamInt(param::TMOF, 0); // the next render becomes the origin
    render(layer, 7777);
    EXPECT_EQ(swarm[0].y, static_cast<float>(swarm[0].phase) * swarm[0].speed * 0.00083333335f);
    render(layer, 7777 + 125);
    EXPECT_EQ(swarm[0].y,
              static_cast<float>(1000 + swarm[0].phase) * swarm[0].speed * 0.00083333335f);
}

TEST_F(ButterfliesTest, ReferenceFrames) {
    Butterflies layer;
    layer.load();
    layer.setParamInt(param::TMOF, 100);
    render(layer, 1100);
    expectMatchesReference("butterflies-rising");
    layer.setParamString(param::MODE, "kugel");
    layer.setParamFloat(param::RADM, 1.5f);
    spinAngle() = 120.0f;
    render(layer, 4000);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectMatchesReference("butterflies-kugel");
}
