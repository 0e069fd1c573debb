// The geometry of one mesh node as the scene compiles it: flat-shaded triangle
// arrays in the coordinates the node draws in, and their bounding box. Plain CPU
// work on lib3ds records, without GL.
#pragma once

#include <lib3ds/mesh.h>
#include <lib3ds/types.h>

#include <array>
#include <vector>

struct MeshArrays {
    std::vector<float> positions; // three corners of three floats per face
    std::vector<float> normals;   // the face normal at each corner
    std::vector<float> texCoords; // two floats per corner; empty when the mesh has no texels
    // Minimum x, y, z, then maximum x, y, z of the positions. It starts at 0, so it
    // always holds the local origin.
    std::array<float, 6> box{};
};

// The inverse of the mesh matrix, which brings the stored points back to the
// mesh's own coordinates; the identity when the matrix is singular.
void meshInverse(Lib3dsMesh& mesh, Lib3dsMatrix inverse);

// One entry per face corner, in face order: position = inverse × point; normal =
// the face normal lib3ds computed on reading (not transformed); texture
// coordinate = the point's texel, or (0, 0) for points past the texel list. Every
// face index must be below the mesh's point count, which isSafeSceneFile ensures.
MeshArrays buildMeshArrays(Lib3dsMesh& mesh, Lib3dsMatrix inverse);
