// The archive container (RAR 2.0): a 7-byte marker, one 13-byte main header,
// then blocks that all start with the 32-byte file-header layout below.
// All numbers are little-endian.
#pragma once

#include <cstdint>

constexpr unsigned MARKER_SIZE = 7;
constexpr unsigned char ARCHIVE_MARKER[MARKER_SIZE] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
// A second marker the reader accepts in place of the usual one.
constexpr unsigned char ALTERNATE_MARKER[MARKER_SIZE] = {'Q', 'o', 'r', 'v', 'e', 'x', '!'};

constexpr unsigned MAIN_HEADER_SIZE = 13;
constexpr uint8_t MAIN_HEADER_TYPE = 0x73;
constexpr uint16_t MAIN_FLAG_SOLID = 0x0008;

constexpr unsigned FILE_HEADER_SIZE = 32;
constexpr uint8_t FILE_BLOCK_TYPE = 0x74;
constexpr uint8_t END_BLOCK_TYPE = 0x77;
constexpr unsigned MIN_BLOCK_HEADER_SIZE = 7;

constexpr uint16_t FILE_FLAG_ENCRYPTED = 0x0004;
constexpr uint16_t FILE_FLAG_COMMENT = 0x0008;
constexpr uint16_t FILE_FLAG_SOLID = 0x0010;
// The three dictionary-size bits: all of them set marks a directory entry.
constexpr uint16_t FILE_FLAG_DIRECTORY = 0x00E0;
constexpr uint16_t BLOCK_FLAG_LONG = 0x8000; // a 32-bit data size follows the header size

constexpr uint8_t METHOD_STORED = 0x30;
constexpr uint8_t MIN_UNPACK_VERSION = 13;
constexpr uint8_t MAX_UNPACK_VERSION = 20;

// The longest name the reader keeps; a longer one is cut to this and cannot be
// found under its own name.
constexpr unsigned MAX_NAME_SIZE = 259;
// The largest archive the reader can address: its offsets are 32 bits wide.
constexpr uint64_t MAX_ARCHIVE_SIZE = UINT32_MAX;

// The main header as read after the marker.
struct ArchiveMainHeader {
    uint16_t headerCrc = 0;
    uint8_t headerType = 0;
    uint16_t flags = 0;
    uint16_t headerSize = 0;
};

// The common block header, parsed as a file header whatever the block's type.
struct ArchiveFileHeader {
    uint16_t headerCrc = 0;
    uint8_t headerType = 0;
    uint16_t flags = 0;
    uint16_t headerSize = 0;
    uint32_t packedSize = 0;
    uint32_t unpackedSize = 0;
    uint8_t hostSystem = 0;
    uint32_t fileCrc = 0;
    uint32_t fileTime = 0;
    uint8_t unpackVersion = 0;
    uint8_t method = 0;
    uint16_t nameSize = 0;
    uint32_t attributes = 0;
    char name[MAX_NAME_SIZE + 1] = {};
};

inline uint16_t readLittle16(const unsigned char* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t readLittle32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline bool isDirectoryEntry(const ArchiveFileHeader& header) {
    return (header.flags & FILE_FLAG_DIRECTORY) == FILE_FLAG_DIRECTORY;
}

// Fills the fixed fields of a block header from its first 32 bytes.
void parseFileHeader(const unsigned char* bytes, ArchiveFileHeader& header);
// Fills the main header from its 13 bytes.
void parseMainHeader(const unsigned char* bytes, ArchiveMainHeader& header);
