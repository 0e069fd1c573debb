// The show's archive, linked into the executable as the resource "RARFILE" 107,
// and the one call every loader of the program goes through to read a file from
// it. Nothing is ever written to disk.
#pragma once

#include "archive/ResourceArchive.h"

#include <cstdint>
#include <functional>

constexpr int ARCHIVE_RESOURCE_ID = 107;
constexpr const char* ARCHIVE_RESOURCE_TYPE = "RARFILE";
// The pass phrase every caller hands to the extraction.
constexpr const char* ARCHIVE_PASS_PHRASE = "wombling";

// Fills archive from the executable's resource of type "RARFILE" and the given id;
// an empty view (null data, size 0) when there is none.
void openResourceArchive(ResourceArchive& archive, int resourceId);

// Opens the embedded archive and extracts fileName with the fixed pass phrase.
// Null (and *size 0) on failure. A loose-file lookup, when one is set, is asked
// first; the archive is read only when it has no such file.
ArchiveBytes extractEmbeddedFile(const char* fileName, uint32_t* size);

// Files that stand in for archive entries (a maker's working folder): returns the
// file's bytes in a malloc'd buffer and sets *size, or null when it has no such
// file. The program sets none; an empty function removes it.
using LooseFileLookup = std::function<ArchiveBytes(const char* fileName, uint32_t* size)>;
void setLooseFileLookup(LooseFileLookup lookup);
// The loose file alone (for files that are not archive entries, the scenes):
// null when no lookup is set or it has no such file.
ArchiveBytes findLooseFile(const char* fileName, uint32_t* size);
