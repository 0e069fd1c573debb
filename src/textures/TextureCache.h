// The process-wide map from file name to Texture, so that each picture is
// extracted, decoded and uploaded once however many layers use it. Names are
// compared byte by byte, case-sensitively: "data\hand.png" and "DATA\HAND.PNG"
// are two entries. The cache owns its textures; a pointer handed out stays valid
// until releaseAll(). Every operation runs on the thread of the GL context.
#pragma once

#include <cstddef>

class Texture;

class TextureCache {
public:
    // The cached texture, or one built with mipmaps from the embedded archive and
    // cached. Null (and nothing cached) when the picture cannot be had.
    static Texture* get(const char* fileName);
    // The cached texture of that name, or one extracted from the embedded archive,
    // decoded, uploaded (with mipmaps or without) and inserted. Null when the
    // entry is missing or cannot be decoded; nothing is cached then, so a later
    // call tries again.
    static Texture* loadTexture(const char* fileName, bool mipmapped);
    // The cached texture, or null when the name is absent.
    static Texture* find(const char* fileName);
    // Adds the pair when the name is absent; an existing entry is left unchanged,
    // and so is the map when texture is null.
    static void insert(const char* fileName, Texture* texture);
    // Deletes every texture (and its GL texture) in name order and empties the map.
    // Needs the GL context that made them to be current.
    static void releaseAll();
    // The number of entries.
    static size_t size();
};
