// A software preview of a scene: flat-shaded triangles with a depth buffer,
// seen through the file's first camera the way the player sets it up (4:3
// view, near plane 1), each material in a colour of its own. For looking at
// the scenes and for checking what the camera sees.
#pragma once

#include <lib3ds/file.h>

#include <cstdint>
#include <string>
#include <vector>

struct PreviewImage {
    int width;
    int height;
    std::vector<uint8_t> rgb;
    // Per pixel: index into textures + 1, or 0 where nothing was drawn.
    std::vector<uint8_t> surface;
    std::vector<std::string> textures;

    PreviewImage(int width, int height);
    // Pixels showing a surface whose material takes this texture file.
    int coverage(const std::string& texture) const;
};

// Evaluates the file at frame and draws it; an image left empty when the
// file has no camera or its camera nodes are missing.
PreviewImage renderPreview(Lib3dsFile* file, int frame, int width, int height);

// Places the images in a grid of the given columns and writes it as PNG.
bool writePreviewSheet(const std::vector<PreviewImage>& images, int columns,
                       const std::string& path);
