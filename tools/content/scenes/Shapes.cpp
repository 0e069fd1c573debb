#include "Shapes.h"

#include <cmath>
#include <functional>

namespace {

constexpr float kTwoPi = 6.28318530718f;

Vec3 subtract(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

float crossLength(const Vec3& a, const Vec3& b) {
    const float x = a[1] * b[2] - a[2] * b[1];
    const float y = a[2] * b[0] - a[0] * b[2];
    const float z = a[0] * b[1] - a[1] * b[0];
    return std::sqrt(x * x + y * y + z * z);
}

void addTriangle(MeshData& mesh, uint16_t a, uint16_t b, uint16_t c) {
    const Vec3& p = mesh.points[a];
    // Triangles that collapse (at a sphere's poles, a cone's tip) are left out.
    if (crossLength(subtract(mesh.points[b], p), subtract(mesh.points[c], p)) < 1e-6f)
        return;
    mesh.faces.push_back({a, b, c});
}

// A surface sampled on a (columns + 1) x (rows + 1) grid of parameters u, v
// in [0, 1]; the surface must be oriented so that dP/du x dP/dv points out.
// Texture coordinates are the parameters scaled by the repeats.
MeshData grid(int columns, int rows, float uRepeat, float vRepeat,
              const std::function<Vec3(float, float)>& surface) {
    MeshData mesh;
    for (int row = 0; row <= rows; ++row)
        for (int column = 0; column <= columns; ++column) {
            const float u = float(column) / columns;
            const float v = float(row) / rows;
            mesh.points.push_back(surface(u, v));
            mesh.texels.push_back({u * uRepeat, v * vRepeat});
        }
    const auto at = [columns](int column, int row) {
        return static_cast<uint16_t>(row * (columns + 1) + column);
    };
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            addTriangle(mesh, at(column, row), at(column + 1, row), at(column + 1, row + 1));
            addTriangle(mesh, at(column, row), at(column + 1, row + 1), at(column, row + 1));
        }
    return mesh;
}

} // namespace

MeshData torus(float major, float minor, int ringSegments, int tubeSegments, float uRepeat,
               float vRepeat) {
    return grid(ringSegments, tubeSegments, uRepeat, vRepeat, [=](float u, float v) {
        const float ring = kTwoPi * u;
        const float tube = kTwoPi * v;
        const float reach = major + minor * std::cos(tube);
        return Vec3{reach * std::cos(ring), reach * std::sin(ring), minor * std::sin(tube)};
    });
}

MeshData sphere(float radius, int segments, int rings) {
    return grid(segments, rings, 2.0f, 1.0f, [=](float u, float v) {
        const float around = kTwoPi * u;
        const float up = (v - 0.5f) * kTwoPi * 0.5f;
        return Vec3{radius * std::cos(up) * std::cos(around),
                    radius * std::cos(up) * std::sin(around), radius * std::sin(up)};
    });
}

MeshData disc(float radius, int segments, float repeat) {
    MeshData mesh = grid(segments, 4, repeat, repeat, [=](float u, float v) {
        const float around = kTwoPi * u;
        const float reach = radius * (1.0f - v);
        return Vec3{reach * std::cos(around), reach * std::sin(around), 0.0f};
    });
    // Planar mapping: the texture lies flat on the disc.
    for (size_t i = 0; i < mesh.points.size(); ++i)
        mesh.texels[i] = {(mesh.points[i][0] / radius + 1.0f) * 0.5f * repeat,
                          (mesh.points[i][1] / radius + 1.0f) * 0.5f * repeat};
    return mesh;
}

MeshData spike(float radius, float height, int segments) {
    return grid(segments, 3, 1.0f, 2.0f, [=](float u, float v) {
        const float around = kTwoPi * u;
        const float reach = radius * (1.0f - v);
        return Vec3{reach * std::cos(around), reach * std::sin(around), height * v};
    });
}

MeshData octahedron(float radius) {
    MeshData mesh;
    const float r = radius;
    mesh.points = {{r, 0, 0}, {0, r, 0}, {-r, 0, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
    for (const Vec3& p : mesh.points)
        mesh.texels.push_back({0.5f + 0.5f * p[0] / r, 0.5f + 0.5f * p[1] / r});
    for (uint16_t i = 0; i < 4; ++i) {
        const uint16_t next = (i + 1) % 4;
        addTriangle(mesh, i, next, 4);
        addTriangle(mesh, next, i, 5);
    }
    return mesh;
}

MeshData blade(float width, float height, int sections) {
    MeshData front = grid(1, sections, 1.0f, 1.0f, [=](float u, float v) {
        const float half = 0.5f * width * (1.0f - v) * (1.0f - v * 0.2f);
        // Bends slightly forward as it rises.
        return Vec3{(2.0f * u - 1.0f) * half, -0.15f * height * v * v, height * v};
    });
    // The grid above faces -y; the same triangles turned round face +y.
    const size_t faces = front.faces.size();
    for (size_t i = 0; i < faces; ++i) {
        const auto& f = front.faces[i];
        front.faces.push_back({f[0], f[2], f[1]});
    }
    return front;
}
