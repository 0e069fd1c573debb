#include "platform/EmbeddedArchive.h"

#include "platform/Resources.h"

#include <utility>

namespace {

LooseFileLookup& looseFileLookup() {
    static LooseFileLookup lookup;
    return lookup;
}

} // namespace

void openResourceArchive(ResourceArchive& archive, int resourceId) {
    const ResourceBytes resource = findResource(ARCHIVE_RESOURCE_TYPE, resourceId);
    archive.data = resource.data;
    archive.size = resource.data ? resource.size : 0;
    archive.offset = 0;
}

ArchiveBytes extractEmbeddedFile(const char* fileName, uint32_t* size) {
    if (ArchiveBytes loose = findLooseFile(fileName, size))
        return loose;
    ResourceArchive archive;
    openResourceArchive(archive, ARCHIVE_RESOURCE_ID);
    unsigned char* bytes = nullptr;
    extractArchiveFile(&bytes, size, fileName, archive, ARCHIVE_PASS_PHRASE);
    return ArchiveBytes(bytes);
}

ArchiveBytes findLooseFile(const char* fileName, uint32_t* size) {
    return looseFileLookup() ? looseFileLookup()(fileName, size) : nullptr;
}

void setLooseFileLookup(LooseFileLookup lookup) {
    looseFileLookup() = std::move(lookup);
}
