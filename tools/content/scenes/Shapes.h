// Mesh shapes for the scenes, built in local coordinates. Every closed shape
// winds its triangles counter-clockwise seen from outside, so the face
// normals point out and back-face culling keeps the visible side.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

using Vec3 = std::array<float, 3>;

struct MeshData {
    std::vector<Vec3> points;
    std::vector<std::array<float, 2>> texels; // one per point
    std::vector<std::array<uint16_t, 3>> faces;
};

// Ring of major radius around the z axis, tube of minor radius; the texture
// repeats uRepeat times around the ring and vRepeat times around the tube.
MeshData torus(float major, float minor, int ringSegments, int tubeSegments, float uRepeat,
               float vRepeat);

MeshData sphere(float radius, int segments, int rings);

// Flat disc in the xy plane facing +z.
MeshData disc(float radius, int segments, float repeat);

// Cone standing on the xy plane with its tip at height on the z axis.
MeshData spike(float radius, float height, int segments);

// Regular octahedron with its corners on the axes.
MeshData octahedron(float radius);

// Tapered blade in the xz plane from the origin up to height, drawn on both
// sides; the texture runs once along its length.
MeshData blade(float width, float height, int sections);
