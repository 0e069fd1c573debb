#include "ImageFiles.h"

#include <png.h>

#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

void appendToBytes(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void flushNothing(png_structp) {}

int samplesPerPixel(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

void writePalette(png_structp png, png_infop info) {
    png_color palette[256];
    for (int entry = 0; entry < 256; ++entry)
        palette[entry] = {static_cast<png_byte>(entry), static_cast<png_byte>(entry),
                          static_cast<png_byte>(entry)};
    png_set_PLTE(png, info, palette, 256);
}

} // namespace

Bytes encodePng(int width, int height, int colorType, int bitDepth, const Bytes& samples,
                const PngOptions& options) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Bytes();
    }
    png_set_write_fn(png, &out, appendToBytes, flushNothing);
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE || options.suggestedPalette)
        writePalette(png, info);
    std::vector<png_bytep> rows(height);
    const size_t rowBytes = static_cast<size_t>(width) * samplesPerPixel(colorType) * bitDepth / 8;
    for (int row = 0; row < height; ++row)
        rows[row] = const_cast<png_bytep>(samples.data()) + rowBytes * row;
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes encodeJpeg(int width, int height, int components, const Bytes& samples, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 4 ? JCS_CMYK : components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data()) + rowBytes * info.next_scanline;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

Bytes encodeBmp(int width, int height, const Bytes& rgb, size_t fileSize) {
    const size_t headerBytes = 54;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t storedRowBytes = (rowBytes + 3) / 4 * 4;
    Bytes out(std::max(fileSize, headerBytes + storedRowBytes * height), 0);
    const auto put = [&out](size_t offset, uint32_t value, int count) {
        for (int byte = 0; byte < count; ++byte)
            out[offset + byte] = static_cast<unsigned char>(value >> (8 * byte));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, static_cast<uint32_t>(out.size()), 4);
    put(10, headerBytes, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int row = 0; row < height; ++row) {
        const unsigned char* from = rgb.data() + rowBytes * (height - 1 - row);
        unsigned char* to = out.data() + headerBytes + storedRowBytes * row;
        for (size_t byte = 0; byte < rowBytes; byte += 3) {
            to[byte] = from[byte + 2];
            to[byte + 1] = from[byte + 1];
            to[byte + 2] = from[byte];
        }
    }
    return out;
}

bool writeRgbaPng(const std::string& path, int width, int height, const Bytes& rgba) {
    Bytes topDown(rgba.size());
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; ++row)
        std::copy_n(rgba.begin() + rowBytes * row, rowBytes,
                    topDown.begin() + rowBytes * (height - 1 - row));
    const Bytes file = encodePng(width, height, PNG_COLOR_TYPE_RGBA, 8, topDown);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return !file.empty() && static_cast<bool>(out);
}
