#include "studio/PngFile.h"

#include <png.h>

std::vector<uint8_t> framedRgb(int frameWidth, int frameHeight, const PictureRect& rect,
                               const std::vector<uint8_t>& pictureRgba) {
    std::vector<uint8_t> rgb(static_cast<size_t>(frameWidth) * frameHeight * 3, 0);
    for (int row = 0; row < rect.height; ++row) {
        // The picture's bottom row comes first in pictureRgba.
        const uint8_t* from =
            &pictureRgba[static_cast<size_t>(rect.height - 1 - row) * rect.width * 4];
        uint8_t* to = &rgb[(static_cast<size_t>(rect.y + row) * frameWidth + rect.x) * 3];
        for (int column = 0; column < rect.width; ++column, from += 4, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return rgb;
}

bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return written;
}
