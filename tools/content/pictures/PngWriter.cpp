#include "PngWriter.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace pictures {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

png_byte toByte(float value) {
    return static_cast<png_byte>(std::lround(clamp01(value) * 255.0f));
}

std::vector<png_byte> packRows(const Canvas& canvas, int channels) {
    std::vector<png_byte> bytes;
    bytes.reserve(static_cast<size_t>(canvas.width()) * canvas.height() * channels);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgba pixel = canvas.at(x, y);
            bytes.push_back(toByte(pixel.r));
            bytes.push_back(toByte(pixel.g));
            bytes.push_back(toByte(pixel.b));
            if (channels == 4)
                bytes.push_back(toByte(pixel.a));
        }
    }
    return bytes;
}

} // namespace

bool writePng(const std::string& path, const Canvas& canvas, Channels channels) {
    const int count = static_cast<int>(channels);
    std::vector<png_byte> bytes = packRows(canvas, count);
    std::vector<png_bytep> rows;
    for (int y = 0; y < canvas.height(); ++y)
        rows.push_back(bytes.data() + static_cast<size_t>(y) * canvas.width() * count);

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
                 static_cast<png_uint_32>(canvas.height()), 8,
                 channels == Channels::Rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

} // namespace pictures
