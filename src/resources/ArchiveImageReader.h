// Reads pictures from the archive embedded in the program. The format is chosen
// by magic bytes, not by the file name.
#pragma once

#include "resources/ImageReader.h"

class Texture;

class ArchiveImageReader : public ImageReader {
public:
    // Extracts the named entry from the embedded archive and decodes it.
    bool load(DecodedImage& image, const char* fileName) override;
    // First match wins: "BM8" at the start is a BMP, "PNG" at bytes 1..3 a PNG,
    // "JFIF" at bytes 6..9 a JPEG. Anything else gives false and leaves the record
    // as it was.
    bool decode(DecodedImage& image, const unsigned char* bytes, size_t size) override;

    // The cached texture of that name, or one built from the archive entry and
    // inserted into the TextureCache. Null when the entry is missing or cannot be
    // decoded; nothing is cached then, so a later call tries again. Needs a
    // current GL context.
    Texture* loadTexture(const char* fileName, bool mipmapped);
};
