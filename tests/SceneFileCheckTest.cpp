// The walk that stands between a 3DS file and lib3ds: real files pass and read
// back as lib3ds reads them from disk; each kind of file that makes lib3ds crash,
// hang or write beyond its lists is refused.
#include "effects/SceneFileCheck.h"
#include "SceneBuilder.h"
#include "TestSupport.h"
#include "effects/SceneFile.h"

#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using Bytes3ds = std::string;

Bytes3ds le16(uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

Bytes3ds le32(uint32_t value) {
    return le16(static_cast<uint16_t>(value)) + le16(static_cast<uint16_t>(value >> 16));
}

Bytes3ds real(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return le32(bits);
}

Bytes3ds chunk(uint16_t id, const Bytes3ds& payload) {
    return le16(id) + le32(static_cast<uint32_t>(payload.size() + 6)) + payload;
}

Bytes3ds text(const char* name) {
    return Bytes3ds(name) + '\0';
}

Bytes3ds points(std::initializer_list<float> coordinates) {
    Bytes3ds list = le16(static_cast<uint16_t>(coordinates.size() / 3));
    for (float value : coordinates)
        list += real(value);
    return chunk(0x4110, list);
}

const Bytes3ds kTriangle = points({0, 0, 0, 1, 0, 0, 0, 1, 0});

Bytes3ds faces(uint16_t a, uint16_t b, uint16_t c, const Bytes3ds& subchunks = "") {
    return chunk(0x4120, le16(1) + le16(a) + le16(b) + le16(c) + le16(7) + subchunks);
}

Bytes3ds namedMesh(const Bytes3ds& lists) {
    return chunk(0x4000, text("M") + chunk(0x4100, lists));
}

Bytes3ds nodeId(uint16_t id) {
    return chunk(0xB030, le16(id));
}

Bytes3ds nodeHeader(const char* name, uint16_t parent) {
    return chunk(0xB010, text(name) + le16(0) + le16(0) + le16(parent));
}

Bytes3ds objectNode(const Bytes3ds& subchunks) {
    return chunk(0xB002, subchunks);
}

// A position track: flags, two unused words, the key count, then per key its
// frame, no spline fields, and x, y, z.
Bytes3ds positionTrack(uint16_t flags, std::initializer_list<std::pair<int32_t, float>> keys,
                       int32_t count = -1) {
    Bytes3ds track = le16(flags) + le32(0) + le32(0) +
                     le32(static_cast<uint32_t>(count < 0 ? keys.size() : count));
    for (const auto& [frame, value] : keys)
        track += le32(static_cast<uint32_t>(frame)) + le16(0) + real(value) + real(0) + real(0);
    return chunk(0xB020, track);
}

Bytes3ds scene(const Bytes3ds& editor, const Bytes3ds& keyframer = "") {
    return chunk(0x4D4D,
                 chunk(0x3D3D, editor) + (keyframer.empty() ? "" : chunk(0xB000, keyframer)));
}

bool safe(const Bytes3ds& file) {
    return isSafeSceneFile(reinterpret_cast<const unsigned char*>(file.data()), file.size());
}

Bytes3ds showScene(const char* name) {
    const std::vector<unsigned char> bytes =
        readWholeFile(std::string(GLIMMER_BUILD_DIR) + "/data/" + name);
    return Bytes3ds(bytes.begin(), bytes.end());
}

int countNodes(Lib3dsNode* node) {
    int count = 0;
    for (; node; node = node->next)
        count += 1 + countNodes(node->childs);
    return count;
}

} // namespace

TEST(SceneFileCheck, ReadsRealScenesAsLib3dsReadsThemFromDisk) {
    std::vector<std::string> paths = {std::string(GLIMMER_BUILD_DIR) + "/data/2",
                                      std::string(GLIMMER_BUILD_DIR) + "/data/donut.3ds"};
    for (const char* name : {"3ds/TargetCameraAnim.3ds", "3ds/RotatingCube.3DS"})
        if (!readWholeFile(testdataPath(name)).empty())
            paths.push_back(testdataPath(name));
    for (const std::string& path : paths) {
        Lib3dsFilePtr expected(lib3ds_file_load(path.c_str()));
        SceneFilePtr read = loadSceneFile(path);
        ASSERT_TRUE(expected) << path;
        ASSERT_TRUE(read) << path;
        EXPECT_EQ(read->frames, expected->frames) << path;
        EXPECT_EQ(countNodes(read->nodes), countNodes(expected->nodes)) << path;
        Lib3dsMesh* want = expected->meshes;
        for (Lib3dsMesh* mesh = read->meshes; mesh; mesh = mesh->next, want = want->next) {
            ASSERT_NE(want, nullptr) << path;
            ASSERT_EQ(mesh->faces, want->faces) << path;
            ASSERT_EQ(mesh->points, want->points) << path;
            EXPECT_EQ(std::memcmp(mesh->pointL, want->pointL, mesh->points * sizeof *mesh->pointL),
                      0)
                << path << " " << mesh->name;
        }
    }
    EXPECT_FALSE(loadSceneFile(std::string(GLIMMER_BUILD_DIR) + "/data/missing.3ds"));
}

TEST(SceneFileCheck, RefusesChunksThatDoNotTileTheirParent) {
    const Bytes3ds mesh = namedMesh(kTriangle + faces(0, 1, 2));
    ASSERT_TRUE(safe(scene(mesh)));
    // A length of 0 makes the library read the same header for ever.
    EXPECT_FALSE(safe(scene(mesh + le16(0x1234) + le32(0))));
    EXPECT_FALSE(safe(scene(mesh + le16(0x1234) + le32(5))));
    // Longer than its parent; a tail too short for a header.
    EXPECT_FALSE(safe(scene(mesh + le16(0x1234) + le32(64))));
    EXPECT_FALSE(safe(scene(mesh + "abc")));
    // A file cut short anywhere, and a file whose first chunk is not a scene.
    const Bytes3ds donut = showScene("donut.3ds");
    ASSERT_TRUE(safe(donut));
    for (size_t length : {size_t{0}, size_t{5}, size_t{100}, donut.size() / 2, donut.size() - 1})
        EXPECT_FALSE(safe(donut.substr(0, length))) << length;
    EXPECT_FALSE(safe(chunk(0x1234, "")));
}

TEST(SceneFileCheck, RefusesListsLongerThanTheirChunks) {
    EXPECT_FALSE(safe(scene(namedMesh(chunk(0x4110, le16(3) + real(0) + real(0))))));
    EXPECT_FALSE(safe(scene(namedMesh(kTriangle + chunk(0x4140, le16(3) + real(0))))));
    EXPECT_FALSE(safe(scene(namedMesh(kTriangle + chunk(0x4120, le16(2) + le16(0) + le16(1))))));
    // A key count beyond the keys present: the library would allocate a key for each.
    const Bytes3ds head = nodeHeader("M", 0xFFFF);
    ASSERT_TRUE(safe(scene("", objectNode(head + positionTrack(0, {{0, 1}, {10, 2}})))));
    EXPECT_FALSE(safe(scene("", objectNode(head + positionTrack(0, {{0, 1}}, 1 << 30)))));
    // Names must end inside their chunk and fit the library's 64-byte buffers.
    EXPECT_FALSE(safe(scene(chunk(0x4000, "M"))));
    EXPECT_FALSE(safe(scene(chunk(0x4000, text(std::string(64, 'n').c_str())))));
    EXPECT_TRUE(safe(scene(chunk(0x4000, text(std::string(63, 'n').c_str())))));
}

TEST(SceneFileCheck, RefusesIndicesBeyondTheirLists) {
    EXPECT_FALSE(safe(scene(namedMesh(kTriangle + faces(0, 1, 3)))));
    EXPECT_TRUE(safe(scene(namedMesh(faces(0, 1, 2) + kTriangle)))) << "points may come last";
    EXPECT_FALSE(safe(scene(namedMesh(faces(0, 1, 2))))) << "faces without points";
    // The last point list is the one the faces use.
    EXPECT_FALSE(safe(scene(namedMesh(kTriangle + faces(0, 1, 2) + points({0, 0, 0})))));
    const auto group = [](uint16_t face) {
        return chunk(0x4130, text("Steel") + le16(1) + le16(face));
    };
    EXPECT_TRUE(safe(scene(namedMesh(kTriangle + faces(0, 1, 2, group(0))))));
    EXPECT_FALSE(safe(scene(namedMesh(kTriangle + faces(0, 1, 2, group(1))))));
}

TEST(SceneFileCheck, RefusesMoreGradientColoursThanTheLibraryHoldsOnItsStack) {
    const auto gradient = [](int colours) {
        Bytes3ds body = real(0.5f);
        for (int i = 0; i < colours; ++i)
            body += chunk(0x0010, real(1) + real(1) + real(1));
        return chunk(0x1300, body);
    };
    EXPECT_TRUE(safe(scene(gradient(3))));
    EXPECT_FALSE(safe(scene(gradient(4))));
}

TEST(SceneFileCheck, RefusesNodeTreesTheLibraryCannotBuild) {
    const Bytes3ds a = objectNode(nodeId(1) + nodeHeader("a", 0xFFFF));
    const Bytes3ds b = objectNode(nodeId(2) + nodeHeader("b", 1));
    ASSERT_TRUE(safe(scene("", b + a))) << "a child before its parent is fine";
    // Without an id chunk a node is numbered by its place, and without a header
    // its parent is 0: the first node is then its own parent.
    EXPECT_FALSE(safe(scene("", objectNode(chunk(0xB013, real(0) + real(0) + real(0))))));
    EXPECT_FALSE(safe(scene("", objectNode(nodeId(5) + nodeHeader("s", 5)))));
    EXPECT_FALSE(safe(scene("", a + objectNode(nodeId(1) + nodeHeader("a2", 0xFFFF)))));
    EXPECT_FALSE(safe(scene("", objectNode(nodeId(1) + nodeHeader("a", 2)) + b)));
    Bytes3ds chain;
    for (uint16_t id = 0; id <= MAX_NODE_DEPTH; ++id)
        chain += objectNode(nodeId(id) + nodeHeader("n", id == 0 ? 0xFFFF : id - 1));
    EXPECT_FALSE(safe(scene("", chain)));
}

TEST(SceneFileCheck, RefusesKeysTheLibraryCannotEvaluate) {
    const Bytes3ds head = nodeHeader("M", 0xFFFF);
    constexpr uint16_t REPEAT = 1;
    // Two keys on one frame of a looping track: evaluation past the last key
    // follows a null pointer.
    EXPECT_FALSE(safe(scene("", objectNode(head + positionTrack(REPEAT, {{5, 1}, {5, 2}})))));
    EXPECT_FALSE(safe(
        scene("", objectNode(head + positionTrack(0, {{5, 1}}) + positionTrack(0, {{5, 2}})))));
    EXPECT_FALSE(safe(scene("", objectNode(head + positionTrack(0, {{1 << 24, 1}})))));
    EXPECT_FALSE(safe(scene(
        "", objectNode(head + positionTrack(0, {{0, std::numeric_limits<float>::quiet_NaN()}})))));
}

TEST(SceneFileCheck, RefusesCoordinatesThatAreNotFinite) {
    const float infinity = std::numeric_limits<float>::infinity();
    const Bytes3ds bad = scene(namedMesh(points({0, infinity, 0, 1, 0, 0, 0, 1, 0})));
    EXPECT_FALSE(readSceneFile(reinterpret_cast<const unsigned char*>(bad.data()), bad.size()));
    // Finite points that the library's mirroring (a mesh matrix with a negative
    // determinant) carries past the float range.
    Bytes3ds matrix;
    for (float value : {-1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 3e38f, 0.0f, 0.0f})
        matrix += real(value);
    const Bytes3ds mirrored = scene(namedMesh(kTriangle + chunk(0x4160, matrix)));
    ASSERT_TRUE(safe(mirrored));
    EXPECT_FALSE(
        readSceneFile(reinterpret_cast<const unsigned char*>(mirrored.data()), mirrored.size()));
}
