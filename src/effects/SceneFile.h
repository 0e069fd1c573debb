// Reading 3DS scene files with lib3ds 1.x. The bytes are always walked by
// isSafeSceneFile first and lib3ds reads exactly the bytes that were walked.
#pragma once

#include <lib3ds/file.h>

#include <cstddef>
#include <memory>
#include <string>

struct SceneFileDeleter {
    void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};
// A scene as lib3ds holds it, freed with lib3ds_file_free.
using SceneFilePtr = std::unique_ptr<Lib3dsFile, SceneFileDeleter>;

// Checks and reads a 3DS file held in memory. Null when the walk rejects it,
// lib3ds fails to read it, or a mesh holds a point, texel or matrix entry that is
// not finite after reading (the library moves points itself while it reads).
SceneFilePtr readSceneFile(const unsigned char* bytes, size_t size);

// Reads the file at path whole, then readSceneFile. Null when it cannot be
// opened or read, or is rejected.
SceneFilePtr loadSceneFile(const std::string& path);
