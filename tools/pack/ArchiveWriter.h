// Writes archives in the format the program reads: marker, main header, one
// block per entry in the order added, end block. Names are stored as given.
// Only what the format's fields and the reader can hold goes in: an entry that
// does not fit is refused, never written with a field cut short.
#pragma once

#include "Compressor.h"

#include <cstdint>
#include <string>
#include <vector>

class ArchiveWriter {
public:
    explicit ArchiveWriter(bool solid = false);

    // Why an entry with this name, unpackedSize bytes of data and packedSize
    // bytes as written cannot join the archive, or an empty string when it fits:
    // the name must fit the reader's name buffer, the data the 32-bit size
    // fields, and the archive with it the reader's 32-bit offsets.
    std::string refusal(const std::string& name, uint64_t unpackedSize, uint64_t packedSize) const;

    // Each add returns false, and adds nothing, when refusal() has a reason.
    // A directory entry (no data).
    bool addDirectory(const std::string& name);
    // A file entry, stored byte for byte.
    bool addStoredFile(const std::string& name, const Bytes& data);
    // A file entry as the compressor made it from data (packed or stored).
    bool addFile(const std::string& name, const Bytes& data, PackedEntry packed);

    // The whole archive, ending with an end block.
    Bytes finish() const;

private:
    struct Entry {
        std::string name;
        uint16_t flags = 0;
        uint8_t method = 0;
        uint32_t attributes = 0;
        uint32_t unpackedSize = 0;
        uint32_t crc = 0;
        Bytes packed;
    };

    bool add(Entry entry, uint64_t unpackedSize);
    void appendEntry(Bytes& out, const Entry& entry) const;

    bool solid_;
    std::vector<Entry> entries_;
    uint64_t size_; // of the archive finish() would write now
};
