#include "resources/TextureCache.h"

#include "resources/ArchiveImageReader.h"
#include "resources/Texture.h"

#include <map>
#include <string>

namespace {

// Keys compare byte by byte (std::string's ordering), so letter case matters.
std::map<std::string, Texture*>& entries() {
    static std::map<std::string, Texture*> cache;
    return cache;
}

} // namespace

Texture* TextureCache::get(const char* fileName) {
    if (Texture* cached = find(fileName))
        return cached;
    Texture* texture = ArchiveImageReader().loadTexture(fileName, true);
    if (texture)
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
