// Uncompressed 24-bit Windows bitmaps, stored bottom-up (positive height).
// Row padding to four bytes is skipped; B, G, R becomes R, G, B. The pixel data
// must lie wholly inside the file.
#pragma once

#include "images/ImageReader.h"

class BmpImageReader : public DiskImageReader {
public:
    bool decode(DecodedImage& image, const unsigned char* bytes, size_t size) override;
};
