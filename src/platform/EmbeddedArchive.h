// The show's archive, linked into the executable as the resource "RARFILE" 107,
// and the one call every loader of the program goes through to read a file from
// it. Nothing is ever written to disk.
#pragma once

#include "archive/ResourceArchive.h"

#include <cstdint>

constexpr int ARCHIVE_RESOURCE_ID = 107;
constexpr const char* ARCHIVE_RESOURCE_TYPE = "RARFILE";
// The pass phrase every caller hands to the extraction.
constexpr const char* ARCHIVE_PASS_PHRASE = "wombling";

// Fills archive from the executable's resource of type "RARFILE" and the given id;
// an empty view (null data, size 0) when there is none.
void openResourceArchive(ResourceArchive& archive, int resourceId);

// Opens the embedded archive and extracts fileName with the fixed pass phrase.
// Null (and *size 0) on failure.
ArchiveBytes extractEmbeddedFile(const char* fileName, uint32_t* size);
