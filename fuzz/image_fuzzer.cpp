// Feeds the input straight to one image reader (chosen at build time: PNG, JPEG
// or BMP) and checks the result: a success hands over exactly width × height ×
// channels readable bytes, a failure holds no pixels. Pixel blocks are capped at
// 16 MiB so that headers claiming huge pictures stay cheap.
#include "images/BmpImageReader.h"
#include "images/JpegImageReader.h"
#include "images/PngImageReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setPixelByteLimit(size_t{1} << 24);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GLIMMER_FUZZED_READER reader;
    DecodedImage image;
    if (!reader.decode(image, data, size)) {
        if (image.pixels)
            std::abort(); // a failure must leave no pixels
        return 0;
    }
    if (!image.pixels || image.width <= 0 || image.height <= 0 ||
        (image.isRgb != 0 && image.isRgb != 1))
        std::abort();
    volatile unsigned sum = 0; // every byte handed over must be readable
    for (size_t i = 0; i < image.byteCount(); ++i)
        sum = sum + image.pixels[i];
    return 0;
}
