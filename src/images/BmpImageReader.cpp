#include "images/BmpImageReader.h"

#include <cstdint>
#include <utility>

namespace {

// File header (14 bytes) and the start of the info header, little-endian.
constexpr size_t MAGIC_OFFSET = 0;
constexpr size_t PIXEL_OFFSET_OFFSET = 10;
constexpr size_t WIDTH_OFFSET = 18;
constexpr size_t HEIGHT_OFFSET = 22;
constexpr size_t PLANES_OFFSET = 26;
constexpr size_t BITS_OFFSET = 28;
constexpr size_t HEADER_SIZE = 30;
constexpr uint16_t BMP_MAGIC = 0x4D42; // "BM"

uint16_t read16(const unsigned char* bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t read32(const unsigned char* bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

} // namespace

bool BmpImageReader::decode(DecodedImage& image, const unsigned char* bytes, size_t size) {
    image = DecodedImage();
    if (size < HEADER_SIZE || read16(bytes, MAGIC_OFFSET) != BMP_MAGIC)
        return false;
    if (read16(bytes, PLANES_OFFSET) != 1 || read16(bytes, BITS_OFFSET) != 24)
        return false;
    const uint32_t pixelOffset = read32(bytes, PIXEL_OFFSET_OFFSET);
    const auto width = static_cast<int32_t>(read32(bytes, WIDTH_OFFSET));
    const auto height = static_cast<int32_t>(read32(bytes, HEIGHT_OFFSET));
    if (width <= 0 || height <= 0)
        return false;

    // Stored rows are bottom-up and padded to a multiple of four bytes; the last
    // row's padding may be missing. The pixel data must lie inside the bytes
    // before anything is allocated. 64-bit sums cannot overflow: the sides are
    // below 2^31.
    const auto rowBytes = static_cast<uint64_t>(width) * 3;
    const uint64_t storedRowBytes = (rowBytes + 3) / 4 * 4;
    const uint64_t end =
        pixelOffset + storedRowBytes * static_cast<uint64_t>(height - 1) + rowBytes;
    if (end > size)
        return false;
    std::unique_ptr<unsigned char[]> pixels = allocatePixels(width, height, 3);
    if (!pixels)
        return false;

    for (int32_t row = 0; row < height; ++row) {
        const unsigned char* from = bytes + pixelOffset + storedRowBytes * row;
        unsigned char* to = pixels.get() + rowBytes * row;
        for (uint64_t byte = 0; byte < rowBytes; byte += 3) {
            to[byte] = from[byte + 2];
            to[byte + 1] = from[byte + 1];
            to[byte + 2] = from[byte];
        }
    }
    image.pixels = std::move(pixels);
    image.width = width;
    image.height = height;
    image.isRgb = 1;
    return true;
}
