#include "effects/SceneFile.h"

#include "effects/SceneFileCheck.h"

#include <lib3ds/io.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The bytes as a stream lib3ds can read: a read past the end returns what is
// left and fills the rest of the buffer with zeros, as a file at its end gives
// no error, only fewer bytes.
struct MemoryStream {
    const unsigned char* bytes;
    long size;
    long position;
};

Lib3dsBool streamError(void*) {
    return LIB3DS_FALSE;
}

long streamSeek(void* self, long offset, Lib3dsIoSeek origin) {
    auto* stream = static_cast<MemoryStream*>(self);
    const long base = origin == LIB3DS_SEEK_SET   ? 0
                      : origin == LIB3DS_SEEK_CUR ? stream->position
                                                  : stream->size;
    if (offset < -base)
        return -1;
    stream->position = base + offset;
    return 0;
}

long streamTell(void* self) {
    return static_cast<MemoryStream*>(self)->position;
}

size_t streamRead(void* self, void* buffer, size_t size) {
    auto* stream = static_cast<MemoryStream*>(self);
    const size_t left =
        stream->position < stream->size ? static_cast<size_t>(stream->size - stream->position) : 0;
    const size_t count = std::min(size, left);
    if (count)
        std::memcpy(buffer, stream->bytes + stream->position, count);
    std::memset(static_cast<unsigned char*>(buffer) + count, 0, size - count);
    stream->position += static_cast<long>(count);
    return count;
}

size_t streamWrite(void*, const void*, size_t) {
    return 0;
}

bool allFinite(const float* values, size_t count) {
    return std::all_of(values, values + count, [](float value) { return std::isfinite(value); });
}

bool meshesAreFinite(const Lib3dsFile& file) {
    for (const Lib3dsMesh* mesh = file.meshes; mesh; mesh = mesh->next) {
        const bool finite =
            allFinite(&mesh->matrix[0][0], 16) &&
            (mesh->points == 0 || allFinite(mesh->pointL[0].pos, mesh->points * 3)) &&
            (mesh->texels == 0 || allFinite(mesh->texelL[0], mesh->texels * 2));
        if (!finite)
            return false;
    }
    return true;
}

} // namespace

SceneFilePtr readSceneFile(const unsigned char* bytes, size_t size) {
    if (size > static_cast<size_t>(UINT32_MAX) || !isSafeSceneFile(bytes, size))
        return nullptr;
    MemoryStream stream{bytes, static_cast<long>(size), 0};
    Lib3dsIo* io =
        lib3ds_io_new(&stream, streamError, streamSeek, streamTell, streamRead, streamWrite);
    SceneFilePtr file(lib3ds_file_new());
    const bool read = io && file && lib3ds_file_read(file.get(), io);
    if (io)
        lib3ds_io_free(io);
    if (!read || !meshesAreFinite(*file))
        return nullptr;
    return file;
}

SceneFilePtr loadSceneFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    if (in.bad())
        return nullptr;
    return readSceneFile(bytes.data(), bytes.size());
}
