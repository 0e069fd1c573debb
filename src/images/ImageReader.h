// Image readers: turn a picture file into a DecodedImage. Every reader clears the
// record first; on failure the result is false and the record holds no pixels.
#pragma once

#include "images/DecodedImage.h"

#include <cstddef>

class ImageReader {
public:
    virtual ~ImageReader() = default;

    // Obtains the named file's bytes and decodes them; true on success.
    virtual bool load(DecodedImage& image, const char* fileName) = 0;
    // Decodes an image held in memory; true on success. The bytes stay the caller's.
    virtual bool decode(DecodedImage& image, const unsigned char* bytes, size_t size) = 0;
};

// A reader whose load reads a file from disk whole and then decodes it. A file
// that cannot be opened or read gives false.
class DiskImageReader : public ImageReader {
public:
    bool load(DecodedImage& image, const char* fileName) override;
};
