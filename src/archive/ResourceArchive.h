// An archive in memory and the extraction of one file from it: the block walk,
// name matching, unpacking and the CRC check. Bytes in, bytes out; where the
// archive comes from is the caller's business.
#pragma once

#include "archive/ArchiveFormat.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

// A read-only view of an archive in memory. The bytes belong to whoever provided
// them (the executable's resource table for the embedded archive).
struct ResourceArchive {
    const unsigned char* data = nullptr;
    uint32_t size = 0;
    uint32_t offset = 0;

    // Copies count bytes at offset into destination and advances offset. All or
    // nothing: returns count, or 0 (and copies nothing) when count is 0 or the
    // bytes are not all there.
    uint32_t read(void* destination, uint32_t count);
};

// Finds fileName in the archive (case ignored; backslash, slash and underscore
// alike), unpacks it and checks its CRC-32. On success returns 1, *outData gets a
// malloc'd buffer of exactly the unpacked size (the caller frees it) and *outSize
// that size. On any failure returns 0 with *outData null and *outSize 0.
int extractArchiveFile(unsigned char** outData, uint32_t* outSize, const char* fileName,
                       ResourceArchive& archive, const char* passPhrase);

// Calls visit for every file block of the archive, in order, with its header,
// until the data or an end block ends the walk: then true. False when the data
// is no archive or a block header is bad; archive.offset then tells where the
// walk stopped (the start of the bad block; 0 when the marker or main header is
// wrong).
bool forEachArchiveEntry(ResourceArchive& archive,
                         const std::function<void(const ArchiveFileHeader&)>& visit);

// True when the two names denote the same entry under the lookup rules above.
bool archiveNamesMatch(const char* requested, const char* stored);

// A buffer handed out by the extraction, released with free.
struct FreeDeleter {
    void operator()(unsigned char* bytes) const { std::free(bytes); }
};
using ArchiveBytes = std::unique_ptr<unsigned char, FreeDeleter>;
