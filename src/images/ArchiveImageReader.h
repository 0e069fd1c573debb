// Reads pictures from the archive embedded in the program. The format is chosen
// by magic bytes, not by the file name.
#pragma once

#include "images/ImageReader.h"

class ArchiveImageReader : public ImageReader {
public:
    // Extracts the named entry from the embedded archive and decodes it, or takes
    // its pixels from a live PictureDecodeAhead that has decoded it already (or
    // the pixels a PictureReuse kept from the same bytes).
    bool load(DecodedImage& image, const char* fileName) override;
    // First match wins: "BM8" at the start is a BMP, "PNG" at bytes 1..3 a PNG,
    // "JFIF" at bytes 6..9 a JPEG. Anything else gives false and leaves the record
    // as it was.
    bool decode(DecodedImage& image, const unsigned char* bytes, size_t size) override;
};
