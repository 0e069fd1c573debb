#include "effects/Scene3ds.h"
#include "SceneBuilder.h"
#include "Shapes.h"
#include "ShowGl.h"
#include "TestSupport.h"
#include "effects/Anim3dsPlayer.h"
#include "effects/Frustum.h"
#include "platform/Platform.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Columns of the frame: where each of the test scene's three objects shows.
enum Column { LEFT, MIDDLE, RIGHT };

// Three octahedra seen from the front: Base (left, top level), a helper mesh
// named $$$DUMMY (middle) and Kid (right), the helper's child. The materials'
// texture names pick the draw modes.
Lib3dsFilePtr threeObjects(int frames, const char* baseTexture = "dunkelr.png") {
    SceneBuilder scene(frames, frames > 1 ? frames : 1);
    scene.addMaterial("Base", baseTexture);
    scene.addMaterial("Steel", "dunkelr.png");
    scene.addMesh("Base", octahedron(30.0f), "Base", {0, 0, 0});
    scene.addMesh("$$$DUMMY", octahedron(30.0f), "Steel", {0, 0, 0});
    scene.addMesh("Kid", octahedron(30.0f), "Steel", {0, 0, 0});
    scene.move(scene.addObject("Base", nullptr), [](float) { return Vec3{-90, 0, 0}; });
    Lib3dsNode* helper = scene.addDummy("Helper", nullptr);
    scene.move(scene.addObject("Kid", helper), [](float) { return Vec3{90, 0, 0}; });
    const CameraNodes camera = scene.addCamera("Camera01", 60.0f);
    scene.flyCamera(
        camera,
        [](float t) {
            return Vec3{0, -300, 40 * t};
        },
        [](float) {
            return Vec3{0, 0, 0};
        },
        [](float) { return 0.0f; });
    return scene.finish();
}

// Whether anything but the clear colour shows around one of the three places.
bool drawnIn(Column column) {
    constexpr int LEFT_EDGES[3] = {20, 68, 100};
    constexpr int WIDTHS[3] = {40, 24, 40};
    const Bytes band = readPixels(LEFT_EDGES[column], 40, WIDTHS[column], 40);
    for (size_t i = 0; i < band.size(); i += 4)
        if (band[i] > 8 || band[i + 1] > 8 || band[i + 2] > 8)
            return true;
    return false;
}

std::vector<float> nodeMatrices(Lib3dsNode* node) {
    std::vector<float> values;
    for (; node; node = node->next) {
        values.insert(values.end(), &node->matrix[0][0], &node->matrix[0][0] + 16);
        const std::vector<float> children = nodeMatrices(node->childs);
        values.insert(values.end(), children.begin(), children.end());
    }
    return values;
}

class Scene3dsTest : public ShowGlTest {
protected:
    void draw(Scene3ds& scene) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.render(800, 600);
    }
};

class Anim3dsPlayerTest : public ShowGlTest {
protected:
    void SetUp() override {
        ShowGlTest::SetUp();
        setClockForTesting([this] { return now; });
        // A dying child starts afresh: a forked copy of a process that has run GL
        // hangs on exit.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
    void draw(Anim3dsPlayer& player, uint32_t time) {
        now = time;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        player.render(0);
    }
    uint32_t now = 1000;
};

} // namespace

TEST(Frustum, BoxesInsideOutsideAndTouchingAPlane) {
    // Identity matrices: the clip cube -1..1 itself.
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const Frustum cube = extractFrustum(identity, identity);
    EXPECT_EQ(cube.planes[0], (Plane{-1, 0, 0, 1})) << "right";
    EXPECT_EQ(cube.planes[5], (Plane{0, 0, 1, 1})) << "near";
    EXPECT_TRUE(boxInFrustum(cube, {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_TRUE(boxInFrustum(cube, {0.5f, -3, -3, 4, 3, 3})) << "reaching out on all sides";
    EXPECT_FALSE(boxInFrustum(cube, {2, 0, 0, 3, 0.5f, 0.5f}));
    EXPECT_FALSE(boxInFrustum(cube, {1, 0, 0, 2, 0.5f, 0.5f})) << "touching from outside";
    EXPECT_FALSE(boxInFrustum(cube, {0, 0, -5, 0.5f, 0.5f, -1})) << "touching the far plane";
    // A model-view scaled to nothing (a node animated to zero size) and one with a
    // part that is not finite: nothing passes.
    const float nothing[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_FALSE(boxInFrustum(extractFrustum(identity, nothing), {-1, -1, -1, 1, 1, 1}));
    float broken[16];
    std::memcpy(broken, identity, sizeof broken);
    broken[12] = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(boxInFrustum(extractFrustum(identity, broken), {-1, -1, -1, 1, 1, 1}));
}

TEST_F(Scene3dsTest, HelperNeverDrawnAndChildrenFromTheirSecondFrame) {
    const std::string path = saveTestScene(threeObjects(10).get(), "three-objects.3ds");
    Scene3ds scene("data\\");
    ASSERT_TRUE(scene.load(path));
    scene.prebuildLists();
    draw(scene);
    EXPECT_TRUE(drawnIn(LEFT)) << "top-level nodes are compiled before the first frame";
    EXPECT_FALSE(drawnIn(MIDDLE)) << "the helper has a mesh of its name, but is a helper";
    EXPECT_FALSE(drawnIn(RIGHT)) << "compiled in this frame, drawn from the next";
    draw(scene);
    saveFramebuffer("scene-three-objects", VIEW_WIDTH, VIEW_HEIGHT);
    EXPECT_TRUE(drawnIn(LEFT));
    EXPECT_FALSE(drawnIn(MIDDLE));
    EXPECT_TRUE(drawnIn(RIGHT));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Scene3dsTest, FramesBeyondTheLastAreRefused) {
    const std::string path = saveTestScene(threeObjects(10).get(), "ten-frames.3ds");
    Scene3ds scene("data\\");
    ASSERT_TRUE(scene.load(path));
    EXPECT_EQ(scene.frameCount(), 10u);
    ASSERT_TRUE(scene.setFrame(3));
    const std::vector<float> atThree = nodeMatrices(scene.file()->nodes);
    EXPECT_FALSE(scene.setFrame(10));
    EXPECT_EQ(scene.file()->current_frame, 3);
    EXPECT_EQ(nodeMatrices(scene.file()->nodes), atThree);
    EXPECT_TRUE(scene.setFrame(9));
    EXPECT_NE(nodeMatrices(scene.file()->nodes), atThree);

    EXPECT_EQ(scene.durationMs(), 66u); // 10 × 1000 ÷ 150
    scene.setFramesPerSecond(1e-9f);
    EXPECT_EQ(scene.durationMs(), UINT32_MAX) << "no overflow for a tiny rate";
}

TEST_F(Scene3dsTest, DrawModesSetBackWhatTheyChange) {
    for (const char* texture : {"1dunkelr.png", "2dunkelr.png", "3dunkelr.png"}) {
        const std::string path =
            saveTestScene(threeObjects(2, texture).get(), std::string("mode-") + texture);
        Scene3ds scene("data\\");
        ASSERT_TRUE(scene.load(path));
        scene.prebuildLists();
        glEnable(GL_NORMALIZE);
        draw(scene);
        EXPECT_TRUE(drawnIn(LEFT)) << texture;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << texture;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << texture;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP)) << texture;
        EXPECT_EQ(glIsEnabled(GL_NORMALIZE), texture[0] != '3') << texture;
        scene.releaseGlObjects();
    }
    // "1dunkelr.png" is not in the archive: the digit stays part of the name.
    EXPECT_EQ(messages, (std::vector<std::string>{"Error: Could not load first texture map "
                                                  "('data\\1dunkelr.png') for 3ds node Base"}));
    EXPECT_EQ(takeQuitCode(), -1);
    EXPECT_EQ(takeQuitCode(), 1) << "one request";
}

TEST_F(Scene3dsTest, TexturePathsThatDoNotFitTheirBufferFail) {
    const std::string path = saveTestScene(threeObjects(2).get(), "long-prefix.3ds");
    Scene3ds scene("data\\" + std::string(250, '_'));
    ASSERT_TRUE(scene.load(path));
    scene.prebuildLists();
    // Base and the helper, whose mesh is compiled though never drawn.
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& message : messages)
        EXPECT_EQ(message.find("Error: Could not load first texture map ('data\\___"), 0u);
    EXPECT_EQ(takeQuitCode(), -1);
    EXPECT_EQ(takeQuitCode(), -1);
}

TEST_F(Scene3dsTest, RealScenes) {
    const std::string animated = testdataPath("3ds/TargetCameraAnim.3ds");
    if (readWholeFile(animated).empty())
        GTEST_SKIP() << "test data absent";
    Scene3ds scene("data\\");
    ASSERT_TRUE(scene.load(animated));
    EXPECT_EQ(scene.frameCount(), 300u);
    EXPECT_EQ(scene.file()->current_frame, 0) << "a current frame past the end starts at 0";
    scene.prebuildLists();
    draw(scene);
    const Bytes first = readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
    EXPECT_TRUE(drawnIn(MIDDLE));
    ASSERT_TRUE(scene.setFrame(150));
    draw(scene);
    saveFramebuffer("target-camera-anim-150", VIEW_WIDTH, VIEW_HEIGHT);
    EXPECT_NE(readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT), first) << "the camera's target moves";
    EXPECT_FALSE(scene.load(testdataPath("3ds/RotatingCube.3DS"))) << "no camera";
    EXPECT_EQ(scene.file(), nullptr);
}

TEST_F(Anim3dsPlayerTest, MapsItsOwnClockOntoFramesAndLoops) {
    const std::string path = saveTestScene(threeObjects(300).get(), "three-hundred.3ds");
    Anim3dsPlayer player(path);
    draw(player, 5000); // the clock starts at the first frame shown
    EXPECT_EQ(player.frame(), 0u);
    draw(player, 5000 + 2500);
    EXPECT_EQ(player.frame(), 75u) << "(2500 mod 2000) × 0.15";
    player.setParamInt(param::OFFS, 500);
    player.setParamInt(param::OFFS, -200);
    draw(player, 5000 + 2500);
    EXPECT_EQ(player.frame(), 120u) << "offset 300 ms";
    player.setParamInt(param::OFFS, -3300); // offset -3000: before the start
    draw(player, 5000 + 500);
    EXPECT_EQ(player.frame(), 225u) << "(-2500 mod 2000) = 1500 ms";
    player.setParamFloat(param::FRPS, 0.0f);
    player.setParamFloat(param::FRPS, -1.0f);
    EXPECT_EQ(player.scene().framesPerSecond(), 150.0f);
    player.setParamFloat(param::FRPS, 300.0f);
    draw(player, 5000 + 3250);
    EXPECT_EQ(player.frame(), 75u) << "(250 mod 1000) × 0.3";

    EXPECT_EQ(animationFrame(12345, 0, 0, 150.0f), 0u) << "a scene of no length shows frame 0";
    EXPECT_EQ(animationFrame(UINT32_MAX, 1, 1000, 150.0f), 44u) << "2^32 mod 1000 = 296 ms";
}

TEST_F(Anim3dsPlayerTest, HiddenPlayersStartTheirClockWhenFirstShown) {
    const std::string path = saveTestScene(threeObjects(300).get(), "hidden.3ds");
    Anim3dsPlayer player(path);
    player.setParamInt(param::SHOW, 0);
    draw(player, 1000);
    EXPECT_FALSE(drawnIn(LEFT));
    player.setParamInt(param::SHOW, 1);
    draw(player, 4000);
    EXPECT_EQ(player.frame(), 0u);
    EXPECT_TRUE(drawnIn(LEFT));
    player.setParamString(param::FILE, "data\\nothing");
    draw(player, 4400);
    EXPECT_EQ(player.frame(), 60u) << "FILE does not reload";
    GLint depth = -1;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "the projection is restored";
}

TEST_F(Anim3dsPlayerTest, ScenesFromTheScriptAndTheirFailures) {
    Anim3dsPlayer donut("data\\donut.3ds"); // beside the test program, like the show's
    draw(donut, 20000);
    draw(donut, 20000 + 16000);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectMatchesReference("donut-16s");
    EXPECT_EXIT(Anim3dsPlayer("data\\nothing"), testing::ExitedWithCode(255),
                "File not found: Could not load 'data\\\\nothing'");
    if (!readWholeFile(testdataPath("3ds/RotatingCube.3DS")).empty()) {
        EXPECT_EXIT(Anim3dsPlayer(testdataPath("3ds/RotatingCube.3DS")),
                    testing::ExitedWithCode(255), "File not found: Could not load '.*RotatingCube");
    }
}
