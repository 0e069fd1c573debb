// Helpers shared by the test suites.
#pragma once

#include "platform/EmbeddedArchive.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string testdataPath(const std::string& relative) {
    return std::string(GLIMMER_TESTDATA_DIR) + "/" + relative;
}

// Reads a file whole; empty when it cannot be read.
inline std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

// Loads a real file made by another program, or skips the test where the
// shared test data is absent.
#define LOAD_TESTDATA_OR_SKIP(variable, relative)                                                  \
    const std::vector<unsigned char> variable = readWholeFile(testdataPath(relative));             \
    if (variable.empty())                                                                          \
    GTEST_SKIP() << "test data absent: " << (relative)

inline ResourceArchive viewOf(const std::vector<unsigned char>& bytes) {
    ResourceArchive archive;
    archive.data = bytes.data();
    archive.size = static_cast<uint32_t>(bytes.size());
    return archive;
}

// One extraction, with the buffer owned by the result.
struct Extracted {
    int result = 0;
    ArchiveBytes bytes;
    uint32_t size = 0;

    std::string text() const {
        return bytes ? std::string(reinterpret_cast<const char*>(bytes.get()), size) : "";
    }
};

inline Extracted extract(ResourceArchive& archive, const char* name,
                         const char* passPhrase = ARCHIVE_PASS_PHRASE) {
    Extracted out;
    static unsigned char untouched;
    unsigned char* raw = &untouched; // the call must overwrite it, also on failure
    out.size = 12345;
    out.result = extractArchiveFile(&raw, &out.size, name, archive, passPhrase);
    if (raw == &untouched)
        ADD_FAILURE() << "the output pointer was not set";
    else
        out.bytes.reset(raw);
    return out;
}
