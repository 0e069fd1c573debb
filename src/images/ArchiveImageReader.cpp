#include "images/ArchiveImageReader.h"

#include "images/BmpImageReader.h"
#include "images/JpegImageReader.h"
#include "images/PictureDecodeAhead.h"
#include "images/PictureReuse.h"
#include "images/PngImageReader.h"
#include "platform/EmbeddedArchive.h"

#include <cstring>

namespace {

bool hasMagic(const unsigned char* bytes, size_t size, size_t offset, const char* magic) {
    const size_t length = std::strlen(magic);
    return size >= offset + length && std::memcmp(bytes + offset, magic, length) == 0;
}

} // namespace

bool ArchiveImageReader::load(DecodedImage& image, const char* fileName) {
    if (PictureDecodeAhead::take(fileName, image))
        return true;
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(fileName, &size);
    if (!bytes)
        return false;
    if (PictureReuse::take(image, fileName, bytes.get(), size))
        return true;
    if (!decode(image, bytes.get(), size))
        return false;
    PictureReuse::keep(fileName, bytes.get(), size, image);
    return true;
}

bool ArchiveImageReader::decode(DecodedImage& image, const unsigned char* bytes, size_t size) {
    if (hasMagic(bytes, size, 0, "BM8"))
        return BmpImageReader().decode(image, bytes, size);
    if (hasMagic(bytes, size, 1, "PNG"))
        return PngImageReader().decode(image, bytes, size);
    if (hasMagic(bytes, size, 6, "JFIF"))
        return JpegImageReader().decode(image, bytes, size);
    return false;
}
