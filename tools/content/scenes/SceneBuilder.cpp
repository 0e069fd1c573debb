#include "SceneBuilder.h"

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>

#include <cstring>
#include <vector>

namespace {

// lib3ds keeps names in fixed arrays; longer names are cut.
template <size_t Size>
void copyName(char (&target)[Size], const std::string& name) {
    std::strncpy(target, name.c_str(), Size - 1);
    target[Size - 1] = '\0';
}

std::vector<int> keyFrames(int frames, int step) {
    std::vector<int> keys;
    for (int frame = 0; frame < frames; frame += step)
        keys.push_back(frame);
    keys.push_back(frames);
    return keys;
}

template <typename Track>
void reverseKeys(Track& track) {
    decltype(track.keyL) reversed = nullptr;
    while (auto* key = track.keyL) {
        track.keyL = key->next;
        key->next = reversed;
        reversed = key;
    }
    track.keyL = reversed;
}

// The tracks of the node kinds the scenes are built from, and of their children.
void reverseNodeKeys(Lib3dsNode* node) {
    for (; node; node = node->next) {
        if (node->type == LIB3DS_OBJECT_NODE) {
            Lib3dsObjectData& object = node->data.object;
            reverseKeys(object.pos_track);
            reverseKeys(object.rot_track);
            reverseKeys(object.scl_track);
            reverseKeys(object.hide_track);
            reverseKeys(object.morph_track);
        } else if (node->type == LIB3DS_CAMERA_NODE) {
            reverseKeys(node->data.camera.pos_track);
            reverseKeys(node->data.camera.fov_track);
            reverseKeys(node->data.camera.roll_track);
        } else if (node->type == LIB3DS_TARGET_NODE) {
            reverseKeys(node->data.target.pos_track);
        }
        reverseNodeKeys(node->childs);
    }
}

} // namespace

bool saveScene(Lib3dsFile* file, const std::string& path) {
    reverseNodeKeys(file->nodes);
    const bool saved = lib3ds_file_save(file, path.c_str());
    reverseNodeKeys(file->nodes);
    return saved;
}

SceneBuilder::SceneBuilder(int frames, int keyStep)
    : file(lib3ds_file_new()), frames(frames), keyStep(keyStep) {
    file->frames = frames;
    file->segment_from = 0;
    file->segment_to = frames;
    file->current_frame = 0;
}

void SceneBuilder::addMaterial(const std::string& name, const std::string& textureFile) {
    Lib3dsMaterial* material = lib3ds_material_new();
    copyName(material->name, name);
    const Lib3dsRgba grey{0.7f, 0.7f, 0.7f, 1.0f};
    std::memcpy(material->diffuse, grey, sizeof grey);
    std::memcpy(material->ambient, grey, sizeof grey);
    material->shading = LIB3DS_GOURAUD;
    copyName(material->texture1_map.name, textureFile);
    material->texture1_map.percent = 1.0f;
    material->texture1_map.scale[0] = material->texture1_map.scale[1] = 1.0f;
    lib3ds_file_insert_material(file.get(), material);
}

void SceneBuilder::addMesh(const std::string& name, const MeshData& shape,
                           const std::string& material, const Vec3& rest) {
    Lib3dsMesh* mesh = lib3ds_mesh_new(name.c_str());
    lib3ds_matrix_identity(mesh->matrix);
    Lib3dsVector offset{rest[0], rest[1], rest[2]};
    lib3ds_matrix_translate(mesh->matrix, offset);
    lib3ds_mesh_new_point_list(mesh, shape.points.size());
    lib3ds_mesh_new_texel_list(mesh, shape.texels.size());
    for (size_t i = 0; i < shape.points.size(); ++i) {
        for (int axis = 0; axis < 3; ++axis)
            mesh->pointL[i].pos[axis] = shape.points[i][axis] + rest[axis];
        mesh->texelL[i][0] = shape.texels[i][0];
        mesh->texelL[i][1] = shape.texels[i][1];
    }
    lib3ds_mesh_new_face_list(mesh, shape.faces.size());
    for (size_t i = 0; i < shape.faces.size(); ++i) {
        Lib3dsFace& face = mesh->faceL[i];
        copyName(face.material, material);
        for (int corner = 0; corner < 3; ++corner)
            face.points[corner] = shape.faces[i][corner];
        face.flags = LIB3DS_FACE_FLAG_VIS_AB | LIB3DS_FACE_FLAG_VIS_BC | LIB3DS_FACE_FLAG_VIS_AC;
        face.smoothing = 0;
    }
    lib3ds_file_insert_mesh(file.get(), mesh);
}

Lib3dsNode* SceneBuilder::insert(Lib3dsNode* node, const std::string& name, Lib3dsNode* parent) {
    copyName(node->name, name);
    node->node_id = nextNodeId++;
    node->parent_id = parent ? parent->node_id : LIB3DS_NO_PARENT;
    lib3ds_file_insert_node(file.get(), node);
    return node;
}

Lib3dsNode* SceneBuilder::addObject(const std::string& name, Lib3dsNode* parent) {
    Lib3dsNode* node = insert(lib3ds_node_new_object(), name, parent);
    // Standing still until a track says otherwise.
    move(node, [](float) { return Vec3{0, 0, 0}; });
    turn(node, {0, 0, 1}, [](float) { return 0.0f; });
    scale(node, [](float) { return Vec3{1, 1, 1}; });
    return node;
}

Lib3dsNode* SceneBuilder::addDummy(const std::string& instance, Lib3dsNode* parent) {
    Lib3dsNode* node = addObject(kDummyName, parent);
    copyName(node->data.object.instance, instance);
    return node;
}

CameraNodes SceneBuilder::addCamera(const std::string& name, float fieldOfView) {
    Lib3dsCamera* camera = lib3ds_camera_new(name.c_str());
    camera->fov = fieldOfView;
    camera->near_range = 1.0f;
    camera->far_range = 20000.0f;
    lib3ds_file_insert_camera(file.get(), camera);
    CameraNodes nodes{insert(lib3ds_node_new_camera(), name, nullptr),
                      insert(lib3ds_node_new_target(), name, nullptr)};
    sampleCurve(nodes.camera->data.camera.fov_track, [fieldOfView](float) { return fieldOfView; });
    return nodes;
}

void SceneBuilder::samplePath(Lib3dsLin3Track& track, const Path& path) const {
    lib3ds_lin3_track_free_keys(&track);
    track.keyL = nullptr; // the library frees the keys but leaves the list head
    for (int frame : keyFrames(frames, keyStep)) {
        Lib3dsLin3Key* key = lib3ds_lin3_key_new();
        key->tcb.frame = frame;
        const Vec3 value = path(float(frame) / frames);
        for (int axis = 0; axis < 3; ++axis)
            key->value[axis] = value[axis];
        lib3ds_lin3_track_insert(&track, key);
    }
}

void SceneBuilder::sampleCurve(Lib3dsLin1Track& track, const Curve& curve) const {
    lib3ds_lin1_track_free_keys(&track);
    track.keyL = nullptr; // the library frees the keys but leaves the list head
    for (int frame : keyFrames(frames, keyStep)) {
        Lib3dsLin1Key* key = lib3ds_lin1_key_new();
        key->tcb.frame = frame;
        key->value = curve(float(frame) / frames);
        lib3ds_lin1_track_insert(&track, key);
    }
}

void SceneBuilder::move(Lib3dsNode* object, const Path& position) {
    samplePath(object->data.object.pos_track, position);
}

void SceneBuilder::scale(Lib3dsNode* object, const Path& factors) {
    samplePath(object->data.object.scl_track, factors);
}

// Rotation keys are relative: each turns on from the previous key, so the
// key holds the difference of the angles.
void SceneBuilder::turn(Lib3dsNode* object, const Vec3& axis, const Curve& angle) {
    Lib3dsQuatTrack& track = object->data.object.rot_track;
    lib3ds_quat_track_free_keys(&track);
    track.keyL = nullptr; // the library frees the keys but leaves the list head
    float previous = 0.0f;
    for (int frame : keyFrames(frames, keyStep)) {
        Lib3dsQuatKey* key = lib3ds_quat_key_new();
        key->tcb.frame = frame;
        const float now = angle(float(frame) / frames);
        for (int i = 0; i < 3; ++i)
            key->axis[i] = axis[i];
        key->angle = now - previous;
        previous = now;
        lib3ds_quat_track_insert(&track, key);
    }
}

void SceneBuilder::flyCamera(const CameraNodes& camera, const Path& position, const Path& target,
                             const Curve& roll) {
    samplePath(camera.camera->data.camera.pos_track, position);
    sampleCurve(camera.camera->data.camera.roll_track, roll);
    samplePath(camera.target->data.target.pos_track, target);
    Lib3dsCamera* lens = file->cameras;
    const Vec3 start = position(0.0f);
    const Vec3 aim = target(0.0f);
    for (int axis = 0; axis < 3; ++axis) {
        lens->position[axis] = start[axis];
        lens->target[axis] = aim[axis];
    }
    lens->roll = roll(0.0f);
}

Lib3dsFilePtr SceneBuilder::finish() {
    return std::move(file);
}
