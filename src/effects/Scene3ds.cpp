#include "effects/Scene3ds.h"

#include "effects/Frustum.h"
#include "effects/MeshArrays.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/showError.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/glu.h>
#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cstring>
#include <fstream>

struct Scene3ds::NodeRecord {
    Lib3dsNode* node;
    GLuint displayList = 0;
    Texture* texture = nullptr; // the cache's, may be absent
    std::array<float, 6> box{}; // of the compiled vertices
};

namespace {

constexpr size_t PREFIX_CHARACTERS = 259;
// Texture paths are put together in a buffer of 256 bytes; a longer one fails.
constexpr size_t PATH_CHARACTERS = 255;
constexpr const char* DUMMY_NAME = "$$$DUMMY";

bool isReadable(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

// Files on disk: "data\2" is data/2, looked up in the working directory first,
// then beside the executable, then in the data folder of the install the
// executable belongs to (share/glimmerfell beside its games or bin folder).
std::string scenePath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] == '/' || isReadable(path))
        return path;
    const std::string programDirectory = executableDirectory();
    for (const char* folder : {"", GLIMMER_SHARE_FROM_PROGRAM}) {
        const std::string candidate = programDirectory + folder + path;
        if (isReadable(candidate))
            return candidate;
    }
    return path;
}

// A loose file standing in for the scene (the studio's working folder) comes
// first; the program sets no lookup and reads from disk.
SceneFilePtr readScene(const std::string& name) {
    uint32_t size = 0;
    if (const ArchiveBytes loose = findLooseFile(name.c_str(), &size))
        return readSceneFile(loose.get(), size);
    return loadSceneFile(scenePath(name));
}

} // namespace

Scene3ds::Scene3ds(const std::string& texturePrefix)
    : texturePrefix_(texturePrefix.substr(0, PREFIX_CHARACTERS)) {}

Scene3ds::~Scene3ds() = default;

bool Scene3ds::load(const std::string& fileName) {
    releaseGlObjects();
    file_.reset();
    file_ = readScene(fileName);
    fileName_ = fileName;
    if (!file_)
        return false;
    if (!file_->cameras) {
        file_.reset();
        return false;
    }
    cameraName_ = file_->cameras->name;
    if (file_->current_frame > file_->frames)
        file_->current_frame = 0;
    lib3ds_file_eval(file_.get(), static_cast<float>(file_->current_frame));
    environment_.load("data\\lava");
    return true;
}

void Scene3ds::prebuildLists() {
    if (!file_)
        return;
    for (Lib3dsNode* node = file_->nodes; node; node = node->next)
        buildNodeList(node);
}

bool Scene3ds::setFrame(uint32_t frame) {
    if (frame >= frameCount())
        return false;
    file_->current_frame = static_cast<Lib3dsIntd>(frame);
    lib3ds_file_eval(file_.get(), static_cast<float>(frame));
    return true;
}

uint32_t Scene3ds::frameCount() const {
    return file_ && file_->frames > 0 ? static_cast<uint32_t>(file_->frames) : 0;
}

uint32_t Scene3ds::durationMs() const {
    const double duration = frameCount() * 1000.0 / framesPerSecond_;
    if (!(duration >= 0.0))
        return 0;
    return duration >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(duration);
}

bool Scene3ds::findView(Lib3dsNode*& camera, Lib3dsNode*& target) const {
    if (!file_)
        return false;
    camera = lib3ds_file_node_by_name(file_.get(), cameraName_.c_str(), LIB3DS_CAMERA_NODE);
    target = lib3ds_file_node_by_name(file_.get(), cameraName_.c_str(), LIB3DS_TARGET_NODE);
    return camera && target;
}

void Scene3ds::render(uint32_t width, uint32_t height) {
    Lib3dsNode* camera = nullptr;
    Lib3dsNode* target = nullptr;
    if (!findView(camera, target))
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera->data.camera.fov, static_cast<double>(width) / height, 1.0, 20000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    Lib3dsMatrix look;
    lib3ds_matrix_camera(look, camera->data.camera.pos, target->data.target.pos,
                         camera->data.camera.roll);
    glMultMatrixf(&look[0][0]);
    for (Lib3dsNode* node = file_->nodes; node; node = node->next)
        drawNode(node, true);
}

void Scene3ds::compileReachedLists() {
    Lib3dsNode* camera = nullptr;
    Lib3dsNode* target = nullptr;
    if (!findView(camera, target))
        return;
    for (Lib3dsNode* node = file_->nodes; node; node = node->next)
        drawNode(node, false);
}

// Children first. A node whose list is compiled now is drawn from the next frame.
void Scene3ds::drawNode(Lib3dsNode* node, bool drawn) {
    for (Lib3dsNode* child = node->childs; child; child = child->next)
        drawNode(child, drawn);
    if (node->type != LIB3DS_OBJECT_NODE || std::strcmp(node->name, DUMMY_NAME) == 0)
        return;
    const auto* record = static_cast<const NodeRecord*>(node->user.p);
    if (!record) {
        buildNodeList(node);
        return;
    }
    if (!drawn)
        return;
    glPushMatrix();
    glMultMatrixf(&node->matrix[0][0]);
    const float* pivot = node->data.object.pivot;
    glTranslatef(-pivot[0], -pivot[1], -pivot[2]);
    float projection[16];
    float modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    if (boxInFrustum(extractFrustum(projection, modelView), record->box))
        glCallList(record->displayList);
    glPopMatrix();
}

// A node without a mesh of its name, or whose mesh has no faces, gets no list
// and is tried again when next reached.
void Scene3ds::buildNodeList(Lib3dsNode* node) {
    if (node->type != LIB3DS_OBJECT_NODE || node->user.p)
        return;
    Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(file_.get(), node->name);
    if (!mesh || mesh->faces == 0)
        return;
    Lib3dsMatrix inverse;
    meshInverse(*mesh, inverse);
    records_.push_back(std::make_unique<NodeRecord>(NodeRecord{node}));
    NodeRecord& record = *records_.back();
    node->user.p = &record;
    const NodeDrawMode mode = applyMaterial(record, mesh->faceL[0].material, node->name);
    const MeshArrays arrays = buildMeshArrays(*mesh, inverse);
    record.box = arrays.box;
    compileList(record, mode, arrays);
}

// The texture and draw mode from the material of the mesh's first face: texture
// map 1 (its first character picks the mode unless there is an opacity map), then
// texture map 2 in its place where that loads.
Scene3ds::NodeDrawMode Scene3ds::applyMaterial(NodeRecord& record, const char* materialName,
                                               const char* nodeName) {
    Lib3dsMaterial* material =
        materialName[0] ? lib3ds_file_material_by_name(file_.get(), materialName) : nullptr;
    if (!material)
        return PLAIN;
    NodeDrawMode mode = PLAIN;
    const char* firstMap = material->texture1_map.name;
    if (firstMap[0] && material->opacity_map.name[0]) {
        record.texture =
            loadNodeTexture(firstMap, "first texture map (with opacity map)", nodeName);
    } else if (firstMap[0]) {
        if (firstMap[0] >= '1' && firstMap[0] <= '3')
            mode = static_cast<NodeDrawMode>(firstMap[0] - '0');
        record.texture = loadNodeTexture(firstMap, "first texture map", nodeName);
    }
    if (material->texture2_map.name[0])
        if (Texture* second =
                loadNodeTexture(material->texture2_map.name, "second texture map", nodeName))
            record.texture = second;
    return mode;
}

// The texture of prefix + mapName from the cache. A failure is shown and asks the
// program to end; the node goes on without it.
Texture* Scene3ds::loadNodeTexture(const char* mapName, const char* which, const char* nodeName) {
    const std::string path = texturePrefix_ + mapName;
    Texture* texture = path.size() <= PATH_CHARACTERS ? TextureCache::get(path.c_str()) : nullptr;
    if (!texture) {
        showError("Could not load %s ('%s') for 3ds node %s", which, path.c_str(), nodeName);
        postQuitMessage(-1);
    }
    return texture;
}

// The arrays are read while the list compiles and are not needed afterwards.
void Scene3ds::compileList(NodeRecord& record, NodeDrawMode mode, const MeshArrays& arrays) {
    record.displayList = glGenLists(1);
    glNewList(record.displayList, GL_COMPILE);
    if (record.texture)
        record.texture->bind();
    beginDrawMode(mode);
    const bool textured = !arrays.texCoords.empty();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (textured)
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, arrays.positions.data());
    glNormalPointer(GL_FLOAT, 0, arrays.normals.data());
    if (textured)
        glTexCoordPointer(2, GL_FLOAT, 0, arrays.texCoords.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(arrays.positions.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    if (textured)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    endDrawMode(mode);
    glEndList();
}

void Scene3ds::beginDrawMode(NodeDrawMode mode) {
    switch (mode) {
    case OVERLAY:
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case BLENDED:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case MIRRORED:
        environment_.bind();
        glEnable(GL_NORMALIZE);
        break;
    case PLAIN:
        break;
    }
}

void Scene3ds::endDrawMode(NodeDrawMode mode) {
    switch (mode) {
    case OVERLAY:
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        break;
    case BLENDED:
        glDisable(GL_BLEND);
        break;
    case MIRRORED:
        environment_.unbind();
        glDisable(GL_NORMALIZE);
        break;
    case PLAIN:
        break;
    }
}

void Scene3ds::releaseGlObjects() {
    for (const auto& record : records_) {
        glDeleteLists(record->displayList, 1);
        record->node->user.p = nullptr;
    }
    records_.clear();
    environment_.release();
}
