#include "Preview.h"

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

using Colour = std::array<float, 3>;

// Stand-ins for the textures, roughly their average colours.
Colour colourOf(const std::string& texture) {
    if (texture == "donut.png")
        return {0.85f, 0.55f, 0.45f};
    if (texture == "dunkelr.png")
        return {0.45f, 0.07f, 0.07f};
    if (texture == "2dunkelr.png")
        return {0.75f, 0.15f, 0.2f};
    if (texture == "3dunkelr.png")
        return {0.8f, 0.8f, 0.85f};
    if (texture.rfind("lava", 0) == 0)
        return {1.0f, 0.4f, 0.05f};
    return {0.5f, 0.5f, 0.5f};
}

struct ScreenPoint {
    float x;
    float y;
    float depth;
};

class Rasteriser {
public:
    Rasteriser(PreviewImage& image, float fieldOfView)
        : image(image),
          depth(size_t(image.width) * image.height, std::numeric_limits<float>::max()),
          focal(1.0f / std::tan(fieldOfView * 3.14159265f / 360.0f)) {}

    // Eye-space corners (the camera looks down -z); counter-clockwise
    // triangles face the viewer, the others are culled.
    void triangle(const Lib3dsVector (&eye)[3], uint8_t surface, const Colour& colour) {
        ScreenPoint corners[3];
        for (int i = 0; i < 3; ++i) {
            if (eye[i][2] > -1.0f)
                return; // crosses the near plane: left out of the preview
            const float w = -eye[i][2];
            corners[i] = {(1.0f + focal * 0.75f * eye[i][0] / w) * 0.5f * image.width,
                          (1.0f - focal * eye[i][1] / w) * 0.5f * image.height, w};
        }
        const float area = edge(corners[0], corners[1], corners[2]);
        if (area >= 0.0f) // screen y points down, so front faces have negative area
            return;
        fill(corners, area, surface, shade(eye, colour));
    }

private:
    static float edge(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    }

    // Lit from the viewer: faces turned to the camera are bright.
    static Colour shade(const Lib3dsVector (&eye)[3], const Colour& colour) {
        Lib3dsVector normal;
        lib3ds_vector_normal(normal, const_cast<float*>(eye[0]), const_cast<float*>(eye[1]),
                             const_cast<float*>(eye[2]));
        Lib3dsVector toViewer{-eye[0][0], -eye[0][1], -eye[0][2]};
        lib3ds_vector_normalize(toViewer);
        const float light = 0.3f + 0.7f * std::fabs(lib3ds_vector_dot(normal, toViewer));
        return {colour[0] * light, colour[1] * light, colour[2] * light};
    }

    void fill(const ScreenPoint (&c)[3], float area, uint8_t surface, const Colour& colour) {
        const int left = std::max(0, int(std::floor(std::min({c[0].x, c[1].x, c[2].x}))));
        const int right =
            std::min(image.width - 1, int(std::ceil(std::max({c[0].x, c[1].x, c[2].x}))));
        const int top = std::max(0, int(std::floor(std::min({c[0].y, c[1].y, c[2].y}))));
        const int bottom =
            std::min(image.height - 1, int(std::ceil(std::max({c[0].y, c[1].y, c[2].y}))));
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const ScreenPoint p{x + 0.5f, y + 0.5f, 0.0f};
                const float w0 = edge(c[1], c[2], p) / area;
                const float w1 = edge(c[2], c[0], p) / area;
                const float w2 = edge(c[0], c[1], p) / area;
                if (w0 < 0.0f || w1 < 0.0f || w2 < 0.0f)
                    continue;
                const float z = w0 * c[0].depth + w1 * c[1].depth + w2 * c[2].depth;
                const size_t at = size_t(y) * image.width + x;
                if (z >= depth[at])
                    continue;
                depth[at] = z;
                image.surface[at] = surface;
                for (int channel = 0; channel < 3; ++channel)
                    image.rgb[at * 3 + channel] = uint8_t(std::min(1.0f, colour[channel]) * 255.0f);
            }
    }

    PreviewImage& image;
    std::vector<float> depth;
    float focal;
};

class PreviewRenderer {
public:
    PreviewRenderer(Lib3dsFile* file, PreviewImage& image, Rasteriser& rasteriser)
        : file(file), image(image), rasteriser(rasteriser) {}

    void drawTree(Lib3dsNode* node, Lib3dsMatrix view) {
        for (; node; node = node->next) {
            drawTree(node->childs, view);
            if (node->type == LIB3DS_OBJECT_NODE && std::strcmp(node->name, "$$$DUMMY") != 0)
                drawObject(node, view);
        }
    }

private:
    // The same chain the player applies: view, node, minus pivot, and the
    // inverse mesh matrix that brings the stored points home.
    void drawObject(Lib3dsNode* node, Lib3dsMatrix view) {
        Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(file, node->name);
        if (!mesh || mesh->faces == 0)
            return;
        Lib3dsMatrix model;
        lib3ds_matrix_copy(model, view);
        lib3ds_matrix_mult(model, node->matrix);
        const Lib3dsVector& pivot = node->data.object.pivot;
        lib3ds_matrix_translate_xyz(model, -pivot[0], -pivot[1], -pivot[2]);
        Lib3dsMatrix inverse;
        lib3ds_matrix_copy(inverse, mesh->matrix);
        lib3ds_matrix_inv(inverse);
        lib3ds_matrix_mult(model, inverse);
        const std::string texture = textureOf(mesh->faceL[0].material);
        const uint8_t surface = surfaceIndex(texture);
        const Colour colour = colourOf(texture);
        for (Lib3dsDword f = 0; f < mesh->faces; ++f) {
            Lib3dsVector eye[3];
            for (int k = 0; k < 3; ++k)
                lib3ds_vector_transform(eye[k], model, mesh->pointL[mesh->faceL[f].points[k]].pos);
            rasteriser.triangle(eye, surface, colour);
        }
    }

    std::string textureOf(const char* materialName) {
        Lib3dsMaterial* material = lib3ds_file_material_by_name(file, materialName);
        return material ? material->texture1_map.name : "";
    }

    uint8_t surfaceIndex(const std::string& texture) {
        auto found = std::find(image.textures.begin(), image.textures.end(), texture);
        if (found == image.textures.end())
            found = image.textures.insert(found, texture);
        return uint8_t(found - image.textures.begin() + 1);
    }

    Lib3dsFile* file;
    PreviewImage& image;
    Rasteriser& rasteriser;
};

} // namespace

PreviewImage::PreviewImage(int width, int height)
    : width(width), height(height), rgb(size_t(width) * height * 3, 0),
      surface(size_t(width) * height, 0) {}

int PreviewImage::coverage(const std::string& texture) const {
    const auto found = std::find(textures.begin(), textures.end(), texture);
    if (found == textures.end())
        return 0;
    const uint8_t index = uint8_t(found - textures.begin() + 1);
    return int(std::count(surface.begin(), surface.end(), index));
}

PreviewImage renderPreview(Lib3dsFile* file, int frame, int width, int height) {
    PreviewImage image(width, height);
    if (!file->cameras)
        return image;
    lib3ds_file_eval(file, float(frame));
    Lib3dsNode* camera = lib3ds_file_node_by_name(file, file->cameras->name, LIB3DS_CAMERA_NODE);
    Lib3dsNode* target = lib3ds_file_node_by_name(file, file->cameras->name, LIB3DS_TARGET_NODE);
    if (!camera || !target)
        return image;
    // Turn the scene's z-up world so that z points at the viewer, then look
    // from the camera at its target.
    Lib3dsMatrix view;
    lib3ds_matrix_identity(view);
    view[1][1] = 0.0f;
    view[2][2] = 0.0f;
    view[1][2] = -1.0f;
    view[2][1] = 1.0f;
    Lib3dsMatrix look;
    lib3ds_matrix_camera(look, camera->data.camera.pos, target->data.target.pos,
                         camera->data.camera.roll);
    lib3ds_matrix_mult(view, look);
    Rasteriser rasteriser(image, camera->data.camera.fov);
    PreviewRenderer(file, image, rasteriser).drawTree(file->nodes, view);
    return image;
}

bool writePreviewSheet(const std::vector<PreviewImage>& images, int columns,
                       const std::string& path) {
    if (images.empty())
        return false;
    const int cellWidth = images[0].width;
    const int cellHeight = images[0].height;
    const int rows = (int(images.size()) + columns - 1) / columns;
    const int width = cellWidth * columns;
    std::vector<png_byte> sheet(size_t(width) * cellHeight * rows * 3, 0);
    for (size_t i = 0; i < images.size(); ++i) {
        const int originX = int(i % columns) * cellWidth;
        const int originY = int(i / columns) * cellHeight;
        for (int y = 0; y < cellHeight; ++y)
            std::memcpy(&sheet[(size_t(originY + y) * width + originX) * 3],
                        &images[i].rgb[size_t(y) * cellWidth * 3], size_t(cellWidth) * 3);
    }
    png_image out{};
    out.version = PNG_IMAGE_VERSION;
    out.width = width;
    out.height = cellHeight * rows;
    out.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&out, path.c_str(), 0, sheet.data(), 0, nullptr) != 0;
}
