#include "textures/TextureCache.h"

#include "images/ArchiveImageReader.h"
#include "images/DecodedImage.h"
#include "textures/Texture.h"

#include <map>
#include <string>

namespace {

// Keys compare byte by byte (std::string's ordering), so letter case matters.
// The cache is never destroyed: a process that ends through exit() keeps its
// textures, still held here, rather than dropping the map and its pointers.
std::map<std::string, Texture*>& entries() {
    static auto* cache = new std::map<std::string, Texture*>;
    return *cache;
}

} // namespace

Texture* TextureCache::get(const char* fileName) {
    return loadTexture(fileName, true);
}

Texture* TextureCache::loadTexture(const char* fileName, bool mipmapped) {
    if (Texture* cached = find(fileName))
        return cached;
    DecodedImage image;
    if (!ArchiveImageReader().load(image, fileName))
        return nullptr;
    auto* texture =
        new Texture(image.pixels.get(), image.isRgb, image.width, image.height, mipmapped);
    insert(fileName, texture);
    return texture;
}

Texture* TextureCache::find(const char* fileName) {
    const auto found = entries().find(fileName);
    return found == entries().end() ? nullptr : found->second;
}

void TextureCache::insert(const char* fileName, Texture* texture) {
    // A null entry would only block the texture a later get builds.
    if (texture)
        entries().emplace(fileName, texture);
}

void TextureCache::releaseAll() {
    for (auto& entry : entries())
        delete entry.second;
    entries().clear();
}

size_t TextureCache::size() {
    return entries().size();
}
