// Pixels as the image readers hand them over, ready for an OpenGL upload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// 8 bits per channel, unscaled, no premultiplied alpha. Rows are tightly packed
// and stored bottom-up: the first row in memory is the bottom row of the picture,
// matching OpenGL's texture origin. The size is the file's own; nothing is
// rescaled here.
struct DecodedImage {
    // width × height × (3 or 4) bytes; released with the record.
    std::unique_ptr<unsigned char[]> pixels;
    int32_t width = 0;
    int32_t height = 0;
    // 1: three bytes per pixel, R, G, B. 0: four bytes per pixel, R, G, B, A.
    int32_t isRgb = 0;

    int channels() const { return isRgb ? 3 : 4; }
    size_t byteCount() const {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * channels();
    }
};

// The largest pixel block a reader allocates. GL and GLU compute image sizes in
// int, so anything larger could not be uploaded safely anyway.
constexpr size_t MAX_PIXEL_BYTES = 0x7FFFFFFF;

// Lowers (or restores) the largest pixel block the readers allocate, at most
// MAX_PIXEL_BYTES: fuzzers keep memory small this way. The program never does.
void setPixelByteLimit(size_t limit);

// True when a pixel block of that size and channel count is within the limit.
bool pixelBlockFits(int64_t width, int64_t height, int channels);

// Allocates the pixel block for an image of the given size and channel count.
// Null when a side is not positive, the byte count exceeds the limit, or memory
// runs out: every reader checks its sizes here before it allocates.
std::unique_ptr<unsigned char[]> allocatePixels(int64_t width, int64_t height, int channels);
