#include "images/ImageReader.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// The whole file, or false when it cannot be opened, measured or read in full.
// Files larger than any picture the readers accept are refused unread (a
// directory, for one, measures as huge).
bool readWholeFile(const char* fileName, std::vector<unsigned char>& bytes) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(fileName, "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    if (size < 0 || static_cast<unsigned long>(size) > MAX_PIXEL_BYTES ||
        std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

} // namespace

bool DiskImageReader::load(DecodedImage& image, const char* fileName) {
    image = DecodedImage();
    std::vector<unsigned char> bytes;
    if (!readWholeFile(fileName, bytes))
        return false;
    return decode(image, bytes.data(), bytes.size());
}
