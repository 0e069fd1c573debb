#include "images/DecodedImage.h"

#include <algorithm>
#include <new>

namespace {

size_t pixelByteLimit = MAX_PIXEL_BYTES;

} // namespace

void setPixelByteLimit(size_t limit) {
    pixelByteLimit = std::min(limit, MAX_PIXEL_BYTES);
}

bool pixelBlockFits(int64_t width, int64_t height, int channels) {
    if (width <= 0 || height <= 0 || channels <= 0)
        return false;
    // Each factor is checked against the limit before the next multiplication, so
    // the product never overflows.
    const auto limit = static_cast<int64_t>(pixelByteLimit);
    return width <= limit / channels && width * channels <= limit / height;
}

std::unique_ptr<unsigned char[]> allocatePixels(int64_t width, int64_t height, int channels) {
    if (!pixelBlockFits(width, height, channels))
        return nullptr;
    const auto count = static_cast<size_t>(width * channels * height);
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[count]);
}
