#include "effects/Scene3ds.h"
#include "SceneBuilder.h"
#include "Shapes.h"
#include "ShowGl.h"
#include "TestSupport.h"
#include "effects/Anim3dsPlayer.h"
#include "effects/Frustum.h"
#include "platform/Platform.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

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

// The file names of a material's maps.
struct Maps {
    const char* first;
    const char* second = "";
    const char* opacity = "";
};

// Gem, one octahedron before the camera. The material "Gem" has the given maps,
// "Blend" has texture map 2dunkelr.png; the mesh's first face wears the material
// firstFace, the others otherFaces.
Lib3dsFilePtr gem(const Maps& maps, const char* firstFace = "Gem", const char* otherFaces = "Gem") {
    SceneBuilder scene(2, 2);
    scene.addMaterial("Gem", maps.first);
    scene.addMaterial("Blend", "2dunkelr.png");
    scene.addMesh("Gem", octahedron(60.0f), otherFaces, {0, 0, 0});
    scene.addObject("Gem", nullptr);
    const auto fixed = [](Vec3 place) { return [place](float) { return place; }; };
    scene.flyCamera(scene.addCamera("Camera01", 60.0f), fixed({0, -300, 0}), fixed({0, 0, 0}),
                    [](float) { return 0.0f; });
    Lib3dsFilePtr file = scene.finish();
    Lib3dsMaterial* material = lib3ds_file_material_by_name(file.get(), "Gem");
    std::strcpy(material->texture2_map.name, maps.second);
    std::strcpy(material->opacity_map.name, maps.opacity);
    std::strcpy(file->meshes->faceL[0].material, firstFace);
    return file;
}

// What a node's list sets back when it starts from depth test and depth writes
// off and blending and normalising on: each draw mode sets back a different part.
// In order: depth test, depth writes, blending, normalising.
using SetBack = std::array<bool, 4>;
constexpr SetBack AFTER_MODE[4] = {
    {false, false, true, true},  // 0: nothing
    {true, true, false, true},   // 1: depth test and writes on, blending off
    {false, false, false, true}, // 2: blending off
    {false, false, true, false}, // 3: normalising off
};

void prepareSetBack() {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glEnable(GL_NORMALIZE);
}

SetBack setBack() {
    return {enabled(GL_DEPTH_TEST), integerState(GL_DEPTH_WRITEMASK) == GL_TRUE, enabled(GL_BLEND),
            enabled(GL_NORMALIZE)};
}

// The GL name of a picture the cache holds, 0 for none.
GLint textureOf(const char* name) {
    const Texture* texture = name ? TextureCache::find(name) : nullptr;
    return texture ? static_cast<GLint>(texture->name()) : 0;
}

// The colours drawn over black.
std::set<Bytes> colours(const Bytes& view) {
    std::set<Bytes> found;
    for (size_t at = 0; at < view.size(); at += 4)
        if (view[at] || view[at + 1] || view[at + 2])
            found.insert(Bytes(view.begin() + at, view.begin() + at + 4));
    return found;
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
        prepareSetBack();
        draw(scene);
        EXPECT_TRUE(drawnIn(LEFT)) << texture;
        EXPECT_EQ(setBack(), AFTER_MODE[texture[0] - '0']) << texture;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP)) << texture;
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

TEST_F(Scene3dsTest, TheFirstFacesMaterialPicksTextureAndMode) {
    struct Case {
        const char* what;
        Lib3dsFilePtr file;
        int mode;
        const char* texture;           // the picture bound, or none
        const char* message = nullptr; // or none
    };
    Case cases[] = {
        {"opacity map", gem({"2dunkelr.png", "", "dunkelr.png"}), 0, "data\\2dunkelr.png"},
        {"opacity map, first map missing", gem({"1dunkelr.png", "", "dunkelr.png"}), 0, nullptr,
         "Could not load first texture map (with opacity map) ('data\\1dunkelr.png') for 3ds "
         "node Gem"},
        {"second map", gem({"2dunkelr.png", "dunkelr.png"}), 2, "data\\dunkelr.png"},
        {"second map alone", gem({"", "3dunkelr.png"}), 0, "data\\3dunkelr.png"},
        {"second map missing", gem({"dunkelr.png", "nothing.png"}), 0, "data\\dunkelr.png",
         "Could not load second texture map ('data\\nothing.png') for 3ds node Gem"},
        {"other faces blended", gem({"dunkelr.png"}, "Gem", "Blend"), 0, "data\\dunkelr.png"},
        {"first face blended", gem({"dunkelr.png"}, "Blend", "Gem"), 2, "data\\2dunkelr.png"},
        {"first face without material", gem({"dunkelr.png"}, "", "Blend"), 0, nullptr},
        {"first face's material unknown", gem({"dunkelr.png"}, "Glass", "Blend"), 0, nullptr},
    };
    for (Case& c : cases) {
        Scene3ds scene("data\\");
        ASSERT_TRUE(scene.load(saveTestScene(c.file.get(), "material.3ds"))) << c.what;
        scene.prebuildLists();
        glBindTexture(GL_TEXTURE_2D, 0);
        prepareSetBack();
        draw(scene);
        EXPECT_EQ(setBack(), AFTER_MODE[c.mode]) << c.what;
        EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D), textureOf(c.texture)) << c.what;
        const std::vector<std::string> expected =
            c.message ? std::vector<std::string>{std::string("Error: ") + c.message}
                      : std::vector<std::string>{};
        EXPECT_EQ(messages, expected) << c.what;
        EXPECT_EQ(takeQuitCode(), c.message ? -1 : 1) << c.what;
        messages.clear();
        scene.releaseGlObjects();
    }
}

// Without texels the list has no texture coordinates: every corner takes the
// current one, so the node shows one colour of its texture, the one there.
TEST_F(Scene3dsTest, MeshWithoutTexelsShowsTheTexelAtTheCurrentCoordinate) {
    for (const bool texels : {true, false}) {
        Lib3dsFilePtr file = gem({"donut.png"});
        if (!texels)
            lib3ds_mesh_free_texel_list(file->meshes);
        Scene3ds scene("data\\");
        ASSERT_TRUE(scene.load(saveTestScene(file.get(), "texels.3ds")));
        ASSERT_EQ(scene.file()->meshes->texels, texels ? 6u : 0u);
        scene.prebuildLists();
        const auto drawnAt = [&](float s, float t) {
            glBindTexture(GL_TEXTURE_2D, 0);
            glTexCoord2f(s, t);
            draw(scene);
            EXPECT_EQ(integerState(GL_TEXTURE_BINDING_2D), textureOf("data\\donut.png"));
            EXPECT_FALSE(enabled(GL_TEXTURE_COORD_ARRAY));
            return colours(readPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT));
        };
        const std::set<Bytes> first = drawnAt(0.3f, 0.6f);
        saveFramebuffer(texels ? "scene-texels" : "scene-no-texels", VIEW_WIDTH, VIEW_HEIGHT);
        const std::set<Bytes> second = drawnAt(0.5f, 0.5f);
        if (texels) {
            EXPECT_GT(first.size(), 1u);
            EXPECT_EQ(first, second);
        } else {
            EXPECT_EQ(first.size(), 1u);
            EXPECT_EQ(second.size(), 1u);
            EXPECT_NE(first, second);
        }
        scene.releaseGlObjects();
    }
    EXPECT_TRUE(messages.empty());
}

// lib3ds finds the camera and its target as two nodes of the camera's name; a
// file may hold either alone.
TEST_F(Scene3dsTest, WithoutTheCamerasOrTheTargetsNodeNothingIsDrawnOrSet) {
    for (const Lib3dsNodeTypes missing : {LIB3DS_TARGET_NODE, LIB3DS_CAMERA_NODE}) {
        Lib3dsFilePtr file = threeObjects(2);
        Lib3dsNode* node = lib3ds_file_node_by_name(file.get(), "Camera01", missing);
        ASSERT_TRUE(lib3ds_file_remove_node(file.get(), node));
        lib3ds_node_free(node);
        Scene3ds scene("data\\");
        ASSERT_TRUE(scene.load(saveTestScene(file.get(), "one-camera-node.3ds"))) << missing;
        scene.prebuildLists();
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(1, 2, 3);
        float projection[16];
        float modelView[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
        glMatrixMode(GL_TEXTURE);
        draw(scene);
        EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_TEXTURE) << missing;
        glMatrixMode(GL_MODELVIEW);
        float after[16];
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        EXPECT_TRUE(std::equal(after, after + 16, projection)) << missing;
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        EXPECT_TRUE(std::equal(after, after + 16, modelView)) << missing;
        EXPECT_FALSE(drawnIn(LEFT) || drawnIn(MIDDLE) || drawnIn(RIGHT)) << missing;
        glLoadIdentity();
    }
    EXPECT_TRUE(messages.empty());
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
