// PNG through libpng. Supports 8- and 16-bit RGB and RGBA (16-bit channels are
// reduced to 8 bits), interlaced or not. Grey, grey with alpha and palette images,
// and RGB images that carry a suggested palette, are refused.
#pragma once

#include "images/ImageReader.h"

class PngImageReader : public DiskImageReader {
public:
    bool decode(DecodedImage& image, const unsigned char* bytes, size_t size) override;
};
