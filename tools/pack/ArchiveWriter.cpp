#include "ArchiveWriter.h"

#include "archive/ArchiveFormat.h"
#include "archive/Crc32.h"

#include <string>

namespace {

constexpr uint16_t DICTIONARY_1MB = 0x0080;
constexpr uint8_t HOST_WIN32 = 2;
constexpr uint8_t UNPACK_VERSION = 20;
constexpr uint32_t ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint8_t END_OF_ARCHIVE_TYPE = 0x7B;
constexpr uint16_t END_FLAG_ALWAYS = 0x4000;
// A fixed file time (2026-01-01 00:00, DOS format) keeps builds reproducible.
constexpr uint32_t FIXED_DOS_TIME = (46u << 25) | (1u << 21) | (1u << 16);

// The packed and unpacked sizes are 32-bit fields; the 64-bit extension of
// the format is not written, so larger entries are refused.
constexpr uint64_t MAX_ENTRY_SIZE = UINT32_MAX;
constexpr uint64_t EMPTY_ARCHIVE_SIZE = MARKER_SIZE + MAIN_HEADER_SIZE + MIN_BLOCK_HEADER_SIZE;
static_assert(FILE_HEADER_SIZE + MAX_NAME_SIZE <= UINT16_MAX,
              "the header of the longest name fits the 16-bit header size");

uint64_t blockSize(const std::string& name, uint64_t packedSize) {
    return FILE_HEADER_SIZE + name.size() + packedSize;
}

void put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Header CRCs are the low 16 bits of the CRC-32 of the header after the CRC field.
void sealHeader(Bytes& out, size_t headerStart) {
    const uint32_t crc = crc32Of(out.data() + headerStart + 2, out.size() - headerStart - 2);
    out[headerStart] = static_cast<unsigned char>(crc);
    out[headerStart + 1] = static_cast<unsigned char>(crc >> 8);
}

} // namespace

ArchiveWriter::ArchiveWriter(bool solid) : solid_(solid), size_(EMPTY_ARCHIVE_SIZE) {}

std::string ArchiveWriter::refusal(const std::string& name, uint64_t unpackedSize,
                                   uint64_t packedSize) const {
    if (name.size() > MAX_NAME_SIZE)
        return "its name is " + std::to_string(name.size()) + " bytes, more than the " +
               std::to_string(MAX_NAME_SIZE) + " an entry name can have";
    if (unpackedSize > MAX_ENTRY_SIZE)
        return "it is " + std::to_string(unpackedSize) +
               " bytes, and an entry must be smaller than 4 GiB";
    // The packed size field is no wider than the archive's offsets, so this
    // limit covers it too.
    const uint64_t grown = size_ + blockSize(name, packedSize);
    if (grown > MAX_ARCHIVE_SIZE)
        return "the archive would grow to " + std::to_string(grown) + " bytes, more than the " +
               std::to_string(MAX_ARCHIVE_SIZE) + " an archive can have";
    return {};
}

bool ArchiveWriter::add(Entry entry, uint64_t unpackedSize) {
    if (!refusal(entry.name, unpackedSize, entry.packed.size()).empty())
        return false;
    entry.unpackedSize = static_cast<uint32_t>(unpackedSize);
    size_ += blockSize(entry.name, entry.packed.size());
    entries_.push_back(std::move(entry));
    return true;
}

bool ArchiveWriter::addDirectory(const std::string& name) {
    Entry entry;
    entry.name = name;
    entry.flags = FILE_FLAG_DIRECTORY;
    entry.method = METHOD_STORED;
    entry.attributes = ATTRIBUTE_DIRECTORY;
    return add(std::move(entry), 0);
}

bool ArchiveWriter::addStoredFile(const std::string& name, const Bytes& data) {
    return addFile(name, data, PackedEntry{METHOD_STORED, false, data});
}

bool ArchiveWriter::addFile(const std::string& name, const Bytes& data, PackedEntry packed) {
    Entry entry;
    entry.name = name;
    entry.flags = DICTIONARY_1MB | (packed.solid ? FILE_FLAG_SOLID : 0);
    entry.method = packed.method;
    entry.attributes = ATTRIBUTE_ARCHIVE;
    entry.crc = crc32Of(data.data(), data.size());
    entry.packed = std::move(packed.data);
    return add(std::move(entry), data.size());
}

void ArchiveWriter::appendEntry(Bytes& out, const Entry& entry) const {
    const size_t start = out.size();
    put16(out, 0);
    out.push_back(FILE_BLOCK_TYPE);
    put16(out, entry.flags | BLOCK_FLAG_LONG);
    put16(out, static_cast<uint32_t>(FILE_HEADER_SIZE + entry.name.size()));
    put32(out, static_cast<uint32_t>(entry.packed.size()));
    put32(out, entry.unpackedSize);
    out.push_back(HOST_WIN32);
    put32(out, entry.crc);
    put32(out, FIXED_DOS_TIME);
    out.push_back(UNPACK_VERSION);
    out.push_back(entry.method);
    put16(out, static_cast<uint32_t>(entry.name.size()));
    put32(out, entry.attributes);
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    sealHeader(out, start);
    out.insert(out.end(), entry.packed.begin(), entry.packed.end());
}

Bytes ArchiveWriter::finish() const {
    Bytes out(ARCHIVE_MARKER, ARCHIVE_MARKER + MARKER_SIZE);
    const size_t mainStart = out.size();
    put16(out, 0);
    out.push_back(MAIN_HEADER_TYPE);
    put16(out, solid_ ? MAIN_FLAG_SOLID : 0);
    put16(out, MAIN_HEADER_SIZE);
    put16(out, 0);
    put32(out, 0);
    sealHeader(out, mainStart);
    for (const Entry& entry : entries_)
        appendEntry(out, entry);
    const size_t endStart = out.size();
    put16(out, 0);
    out.push_back(END_OF_ARCHIVE_TYPE);
    put16(out, END_FLAG_ALWAYS);
    put16(out, MIN_BLOCK_HEADER_SIZE);
    sealHeader(out, endStart);
    return out;
}
