// JPEG through libjpeg with the library's default output: colour pictures come
// out as RGB. Greyscale and CMYK pictures are refused. A fatal decoding error
// makes decode return false; the process goes on.
#pragma once

#include "images/ImageReader.h"

class JpegImageReader : public DiskImageReader {
public:
    bool decode(DecodedImage& image, const unsigned char* bytes, size_t size) override;
};
