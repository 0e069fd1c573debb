// The built 3D scenes, read back with lib3ds as the player reads them.
#include "Preview.h"
#include "SceneBuilder.h"
#include "Scenes.h"

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/vector.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

Lib3dsFilePtr loadScene(const char* name) {
    return Lib3dsFilePtr(
        lib3ds_file_load((std::string(GLIMMER_BUILD_DIR) + "/data/" + name).c_str()));
}

struct NodeAt {
    Lib3dsNode* node;
    int depth;
};

void collect(Lib3dsNode* node, int depth, std::vector<NodeAt>& out) {
    for (; node; node = node->next) {
        out.push_back({node, depth});
        collect(node->childs, depth + 1, out);
    }
}

std::vector<NodeAt> allNodes(Lib3dsFile* file) {
    std::vector<NodeAt> nodes;
    collect(file->nodes, 1, nodes);
    return nodes;
}

bool isDummy(const Lib3dsNode* node) {
    return node->type == LIB3DS_OBJECT_NODE && std::strcmp(node->name, kDummyName) == 0;
}

bool isMeshNode(const Lib3dsNode* node) {
    return node->type == LIB3DS_OBJECT_NODE && !isDummy(node);
}

// The evaluated matrices of every node at a frame, in tree order.
std::vector<float> matricesAt(Lib3dsFile* file, float frame) {
    lib3ds_file_eval(file, frame);
    std::vector<float> values;
    for (const NodeAt& at : allNodes(file)) {
        const float* m = &at.node->matrix[0][0];
        values.insert(values.end(), m, m + 16);
        if (at.node->type == LIB3DS_CAMERA_NODE)
            values.insert(values.end(), at.node->data.camera.pos, at.node->data.camera.pos + 3);
        if (at.node->type == LIB3DS_TARGET_NODE)
            values.insert(values.end(), at.node->data.target.pos, at.node->data.target.pos + 3);
    }
    return values;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names as the player asks the texture cache for them: its prefix and the
// material's file name. The pictures of the show's archive.
const std::set<std::string> kArchivePictures{
    "data\\2dunkelr.png",     "data\\eye_020715_lower_banner_rep.png",
    "data\\donut.png",        "data\\eye_020715_toplayer.png",
    "data\\obererbalken.png", "data\\lava_negx.png",
    "data\\lava_negy.png",    "data\\lava_negz.png",
    "data\\lava_posx.png",    "data\\lava_posy.png",
    "data\\lava_posz.png",    "data\\schmettalyng.png",
    "data\\hand.png",         "data\\balken.png",
    "data\\dunkelr.png",      "data\\3dunkelr.png",
    "data\\cred.png",         "data\\outro.png",
    "data\\getting.png",      "data\\Impact.png",
    "data\\greetings.png"};

class SceneFile : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(SceneFile, HasACameraWithItsTargetAndEveryMeshItsMaterial) {
    Lib3dsFilePtr file = loadScene(GetParam());
    ASSERT_TRUE(file);
    ASSERT_NE(file->cameras, nullptr);
    const char* camera = file->cameras->name;
    EXPECT_NE(lib3ds_file_node_by_name(file.get(), camera, LIB3DS_CAMERA_NODE), nullptr);
    EXPECT_NE(lib3ds_file_node_by_name(file.get(), camera, LIB3DS_TARGET_NODE), nullptr);
    for (const NodeAt& at : allNodes(file.get())) {
        if (!isMeshNode(at.node))
            continue;
        Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(file.get(), at.node->name);
        ASSERT_NE(mesh, nullptr) << at.node->name;
        ASSERT_GT(mesh->faces, 0u) << at.node->name;
        EXPECT_EQ(mesh->texels, mesh->points) << at.node->name;
        for (Lib3dsDword f = 0; f < mesh->faces; ++f)
            ASSERT_NE(lib3ds_file_material_by_name(file.get(), mesh->faceL[f].material), nullptr)
                << at.node->name << " face " << f;
    }
}

TEST_P(SceneFile, TexturesAreArchivePicturesWithoutOpacityMaps) {
    Lib3dsFilePtr file = loadScene(GetParam());
    ASSERT_TRUE(file);
    for (Lib3dsMaterial* material = file->materials; material; material = material->next) {
        EXPECT_EQ(kArchivePictures.count(std::string("data\\") + material->texture1_map.name), 1u)
            << material->name << " names '" << material->texture1_map.name << "'";
        // An opacity map would make the player ignore the texture's style digit.
        EXPECT_STREQ(material->opacity_map.name, "") << material->name;
        EXPECT_STREQ(material->texture2_map.name, "") << material->name;
    }
}

TEST_P(SceneFile, TheCameraSeesTheSceneThroughout) {
    Lib3dsFilePtr file = loadScene(GetParam());
    ASSERT_TRUE(file);
    for (int step = 0; step < 8; ++step) {
        const int frame = file->frames * step / 8;
        const PreviewImage image = renderPreview(file.get(), frame, 160, 120);
        int covered = 0;
        for (const std::string& texture : image.textures)
            covered += image.coverage(texture);
        EXPECT_GT(covered, 160 * 120 / 50) << "frame " << frame;
    }
}

// The files store their keys last-first (quick for lib3ds to read), unlike
// lib3ds's own writing of the scene they are built from; read back, both animate
// alike.
TEST(SceneFiles, ReadBackAsBuilt) {
    for (const auto& [name, build] :
         {std::pair{"2", buildWarpScene}, std::pair{"donut.3ds", buildDonutScene}}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(GLIMMER_BUILD_DIR) + "/in-order-" + name;
        ASSERT_TRUE(lib3ds_file_save(build().get(), path.c_str()));
        const Lib3dsFilePtr inOrder(lib3ds_file_load(path.c_str()));
        const Lib3dsFilePtr stored = loadScene(name);
        const bool sameBytes =
            fileBytes(path) == fileBytes(std::string(GLIMMER_BUILD_DIR) + "/data/" + name);
        std::remove(path.c_str());
        ASSERT_TRUE(inOrder && stored);
        EXPECT_FALSE(sameBytes);
        for (int step = 0; step <= 16; ++step) {
            const float frame = static_cast<float>(stored->frames * step) / 16.0f + 0.5f;
            ASSERT_EQ(matricesAt(stored.get(), frame), matricesAt(inOrder.get(), frame)) << frame;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Show, SceneFile, testing::Values("2", "donut.3ds"));

TEST(WarpScene, LoopsSeamlesslyEveryFourBars) {
    Lib3dsFilePtr file = loadScene("2");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->frames, kWarpSceneFrames);
    const int durationMs = file->frames * 1000 / kSceneFramesPerSecond;
    EXPECT_EQ(durationMs % 2000, 0) << "not a whole number of bars";
    const std::vector<float> start = matricesAt(file.get(), 0.0f);
    const std::vector<float> end = matricesAt(file.get(), float(file->frames));
    ASSERT_EQ(start.size(), end.size());
    for (size_t i = 0; i < start.size(); ++i)
        ASSERT_NEAR(start[i], end[i], 1e-2f + 1e-4f * std::fabs(start[i])) << "value " << i;
}

TEST(WarpScene, HasGroupsAndAtLeastFiveMovingObjects) {
    Lib3dsFilePtr file = loadScene("2");
    ASSERT_TRUE(file);
    const std::vector<NodeAt> nodes = allNodes(file.get());
    const auto hasChildren = [&](bool dummy) {
        return std::any_of(nodes.begin(), nodes.end(), [&](const NodeAt& at) {
            return at.node->childs && at.node->type == LIB3DS_OBJECT_NODE &&
                   isDummy(at.node) == dummy;
        });
    };
    EXPECT_TRUE(hasChildren(false)) << "no object with children";
    EXPECT_TRUE(hasChildren(true)) << "no helper with children";

    std::vector<std::vector<float>> restPoses;
    lib3ds_file_eval(file.get(), 0.0f);
    for (const NodeAt& at : nodes)
        restPoses.emplace_back(&at.node->matrix[0][0], &at.node->matrix[0][0] + 16);
    std::vector<bool> moves(nodes.size(), false);
    for (int frame : {200, 450, 700}) {
        lib3ds_file_eval(file.get(), float(frame));
        for (size_t n = 0; n < nodes.size(); ++n)
            for (int v = 0; v < 16; ++v)
                if (std::fabs((&nodes[n].node->matrix[0][0])[v] - restPoses[n][v]) > 1e-3f)
                    moves[n] = true;
    }
    int moving = 0;
    for (size_t n = 0; n < nodes.size(); ++n)
        moving += moves[n] && isMeshNode(nodes[n].node);
    EXPECT_GE(moving, 5);
}

TEST(DonutScene, CoversTheMainThemeWithAllThreeDarkRedStyles) {
    Lib3dsFilePtr file = loadScene("donut.3ds");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->frames * 1000 / kSceneFramesPerSecond, 32000);
    std::set<std::string> textures;
    for (Lib3dsMaterial* material = file->materials; material; material = material->next)
        textures.insert(material->texture1_map.name);
    for (const char* texture : {"donut.png", "dunkelr.png", "2dunkelr.png", "3dunkelr.png"})
        EXPECT_EQ(textures.count(texture), 1u) << texture;
}

TEST(DonutScene, HierarchyIsSeveralLevelsDeep) {
    Lib3dsFilePtr file = loadScene("donut.3ds");
    ASSERT_TRUE(file);
    int deepest = 0;
    bool dummyWithChildren = false;
    for (const NodeAt& at : allNodes(file.get())) {
        deepest = std::max(deepest, at.depth);
        dummyWithChildren = dummyWithChildren || (isDummy(at.node) && at.node->childs);
    }
    EXPECT_GE(deepest, 4);
    EXPECT_TRUE(dummyWithChildren);
}

TEST(DonutScene, DonutRisesOutOfTheLava) {
    Lib3dsFilePtr file = loadScene("donut.3ds");
    ASSERT_TRUE(file);
    EXPECT_EQ(renderPreview(file.get(), 0, 160, 120).coverage("donut.png"), 0)
        << "seen before it rises";
    for (int frame : {1200, 2400, 3600, 4700})
        EXPECT_GT(renderPreview(file.get(), frame, 160, 120).coverage("donut.png"), 160 * 120 / 100)
            << "frame " << frame;
}

TEST(DonutScene, TorusFacesPointOutward) {
    Lib3dsFilePtr file = loadScene("donut.3ds");
    ASSERT_TRUE(file);
    Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(file.get(), "Donut");
    ASSERT_NE(mesh, nullptr);
    Lib3dsMatrix toLocal;
    lib3ds_matrix_copy(toLocal, mesh->matrix);
    ASSERT_TRUE(lib3ds_matrix_inv(toLocal));
    for (Lib3dsDword f = 0; f < mesh->faces; ++f) {
        Lib3dsVector corners[3];
        Lib3dsVector centre{0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            lib3ds_vector_transform(corners[k], toLocal,
                                    mesh->pointL[mesh->faceL[f].points[k]].pos);
            lib3ds_vector_add(centre, centre, corners[k]);
        }
        lib3ds_vector_scalar(centre, 1.0f / 3.0f);
        // From the middle of the tube at this point of the ring out to the face.
        Lib3dsVector tube{centre[0], centre[1], 0.0f};
        lib3ds_vector_normalize(tube);
        lib3ds_vector_scalar(tube, 60.0f);
        Lib3dsVector outward;
        lib3ds_vector_sub(outward, centre, tube);
        // The normal lib3ds computed while reading; the mesh matrix only moves.
        ASSERT_GT(lib3ds_vector_dot(mesh->faceL[f].normal, outward), 0.0f) << "face " << f;
    }
}
