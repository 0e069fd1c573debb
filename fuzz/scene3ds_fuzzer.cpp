// Views the input as a 3DS file and takes it where the scene takes a file: the
// safety walk and lib3ds's reader, the geometry arrays of every mesh node, the
// material each node's first face names, the camera, and the animation evaluated
// at its first frame, its middle, its last frame and past its end (where looping
// tracks wrap). GL drawing is left out; what it reads is built here.
#include "effects/MeshArrays.h"
#include "effects/SceneFile.h"

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/node.h>

#include <cstdint>
#include <cstdlib>

namespace {

void visitNodes(Lib3dsFile* file, Lib3dsNode* node) {
    for (; node; node = node->next) {
        visitNodes(file, node->childs);
        Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(file, node->name);
        if (node->type != LIB3DS_OBJECT_NODE || !mesh || mesh->faces == 0)
            continue;
        Lib3dsMatrix inverse;
        meshInverse(*mesh, inverse);
        const MeshArrays arrays = buildMeshArrays(*mesh, inverse);
        if (arrays.positions.size() != size_t{mesh->faces} * 9 ||
            (mesh->texels && arrays.texCoords.size() != size_t{mesh->faces} * 6))
            std::abort();
        lib3ds_file_material_by_name(file, mesh->faceL[0].material);
    }
}

void lookThroughCamera(Lib3dsFile* file) {
    if (!file->cameras)
        return;
    Lib3dsNode* camera = lib3ds_file_node_by_name(file, file->cameras->name, LIB3DS_CAMERA_NODE);
    Lib3dsNode* target = lib3ds_file_node_by_name(file, file->cameras->name, LIB3DS_TARGET_NODE);
    if (!camera || !target)
        return;
    Lib3dsMatrix look;
    lib3ds_matrix_camera(look, camera->data.camera.pos, target->data.target.pos,
                         camera->data.camera.roll);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SceneFilePtr file = readSceneFile(data, size);
    if (!file)
        return 0;
    const float frames = static_cast<float>(file->frames);
    for (const float frame : {0.0f, frames / 2, frames - 1, frames + 7})
        lib3ds_file_eval(file.get(), frame);
    visitNodes(file.get(), file->nodes);
    lookThroughCamera(file.get());
    return 0;
}
