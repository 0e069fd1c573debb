// Writes archives in the format the program reads: marker, main header, one
// block per entry in the order added, end block. Names are stored as given.
#pragma once

#include "Compressor.h"

#include <cstdint>
#include <string>
#include <vector>

class ArchiveWriter {
public:
    explicit ArchiveWriter(bool solid = false);

    // A directory entry (no data).
    void addDirectory(const std::string& name);
    // A file entry, stored byte for byte.
    void addStoredFile(const std::string& name, const Bytes& data);
    // A file entry as the compressor made it from data (packed or stored).
    void addFile(const std::string& name, const Bytes& data, PackedEntry packed);

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

    void appendEntry(Bytes& out, const Entry& entry) const;

    bool solid_;
    std::vector<Entry> entries_;
};
