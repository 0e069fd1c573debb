#include "effects/MeshArrays.h"

#include <lib3ds/matrix.h>
#include <lib3ds/vector.h>

#include <algorithm>

void meshInverse(Lib3dsMesh& mesh, Lib3dsMatrix inverse) {
    lib3ds_matrix_copy(inverse, mesh.matrix);
    if (!lib3ds_matrix_inv(inverse))
        lib3ds_matrix_identity(inverse);
}

namespace {

void extendBox(std::array<float, 6>& box, const Lib3dsVector position) {
    for (int axis = 0; axis < 3; ++axis) {
        box[axis] = std::min(box[axis], position[axis]);
        box[axis + 3] = std::max(box[axis + 3], position[axis]);
    }
}

} // namespace

MeshArrays buildMeshArrays(Lib3dsMesh& mesh, Lib3dsMatrix inverse) {
    MeshArrays arrays;
    const size_t corners = size_t{mesh.faces} * 3;
    arrays.positions.reserve(corners * 3);
    arrays.normals.reserve(corners * 3);
    if (mesh.texels)
        arrays.texCoords.reserve(corners * 2);
    for (Lib3dsDword f = 0; f < mesh.faces; ++f) {
        const Lib3dsFace& face = mesh.faceL[f];
        for (const Lib3dsWord point : face.points) {
            Lib3dsVector position;
            lib3ds_vector_transform(position, inverse, mesh.pointL[point].pos);
            extendBox(arrays.box, position);
            arrays.positions.insert(arrays.positions.end(), position, position + 3);
            arrays.normals.insert(arrays.normals.end(), face.normal, face.normal + 3);
            if (!mesh.texels)
                continue;
            const bool hasTexel = point < mesh.texels;
            arrays.texCoords.push_back(hasTexel ? mesh.texelL[point][0] : 0.0f);
            arrays.texCoords.push_back(hasTexel ? mesh.texelL[point][1] : 0.0f);
        }
    }
    return arrays;
}
