#include "images/PictureReuse.h"

#include <cstring>
#include <map>
#include <vector>

namespace {

struct KeptPicture {
    std::vector<unsigned char> file;
    DecodedImage image;
};

std::map<std::string, KeptPicture> kept;
int scopes = 0;

void copyImage(DecodedImage& to, const DecodedImage& from) {
    to.pixels = std::make_unique<unsigned char[]>(from.byteCount());
    std::memcpy(to.pixels.get(), from.pixels.get(), from.byteCount());
    to.width = from.width;
    to.height = from.height;
    to.isRgb = from.isRgb;
}

} // namespace

PictureReuse::PictureReuse() {
    ++scopes;
}

PictureReuse::~PictureReuse() {
    if (--scopes == 0)
        kept.clear();
}

bool PictureReuse::take(DecodedImage& image, const std::string& name, const unsigned char* bytes,
                        size_t size) {
    const auto found = kept.find(name);
    if (found == kept.end() || found->second.file.size() != size ||
        std::memcmp(found->second.file.data(), bytes, size) != 0)
        return false;
    copyImage(image, found->second.image);
    return true;
}

void PictureReuse::keep(const std::string& name, const unsigned char* bytes, size_t size,
                        const DecodedImage& image) {
    if (scopes == 0 || !image.pixels)
        return;
    KeptPicture& picture = kept[name];
    picture.file.assign(bytes, bytes + size);
    copyImage(picture.image, image);
}
