#include "images/DecodedImage.h"

#include <new>

std::unique_ptr<unsigned char[]> allocatePixels(int64_t width, int64_t height, int channels) {
    if (width <= 0 || height <= 0 || channels <= 0)
        return nullptr;
    // Each factor is checked against the limit before the next multiplication, so
    // the product never overflows.
    const auto limit = static_cast<int64_t>(MAX_PIXEL_BYTES);
    if (width > limit / channels || width * channels > limit / height)
        return nullptr;
    const auto count = static_cast<size_t>(width * channels * height);
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[count]);
}
