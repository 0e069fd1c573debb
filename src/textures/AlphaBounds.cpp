#include "textures/AlphaBounds.h"

#include <algorithm>
#include <cstddef>

namespace {

bool hasAlpha(const unsigned char* row, int32_t x) {
    return row[static_cast<size_t>(x) * 4 + 3] != 0;
}

const unsigned char* rowAt(const unsigned char* pixels, int32_t width, int32_t y) {
    return pixels + static_cast<size_t>(y) * width * 4;
}

// The first column with alpha in from..to (to excluded), stepping by step; to
// when there is none.
int32_t firstWithAlpha(const unsigned char* row, int32_t from, int32_t to, int32_t step) {
    for (int32_t x = from; x != to; x += step) {
        if (hasAlpha(row, x))
            return x;
    }
    return to;
}

bool rowHasAlpha(const unsigned char* row, int32_t width) {
    return firstWithAlpha(row, 0, width, 1) != width;
}

} // namespace

AlphaBounds alphaBounds(const unsigned char* pixels, int32_t width, int32_t height) {
    int32_t bottom = 0;
    while (bottom < height && !rowHasAlpha(rowAt(pixels, width, bottom), width))
        ++bottom;
    if (bottom == height)
        return {width, -1, height, -1};
    int32_t top = height - 1;
    while (!rowHasAlpha(rowAt(pixels, width, top), width))
        --top;
    const unsigned char* row = rowAt(pixels, width, bottom);
    AlphaBounds bounds{firstWithAlpha(row, 0, width, 1), firstWithAlpha(row, width - 1, -1, -1),
                       bottom, top};
    // A search that finds nothing returns where it stopped: the bound as it was.
    for (int32_t y = bottom + 1; y <= top; ++y) {
        row = rowAt(pixels, width, y);
        bounds.left = firstWithAlpha(row, 0, bounds.left, 1);
        bounds.right = firstWithAlpha(row, width - 1, bounds.right, -1);
    }
    return bounds;
}

AlphaBounds plainAlphaBounds(const unsigned char* pixels, int32_t width, int32_t height) {
    AlphaBounds bounds{width, -1, height, -1};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (!hasAlpha(rowAt(pixels, width, y), x))
                continue;
            bounds.left = std::min(bounds.left, x);
            bounds.right = std::max(bounds.right, x);
            bounds.bottom = std::min(bounds.bottom, y);
            bounds.top = y;
        }
    }
    return bounds;
}
