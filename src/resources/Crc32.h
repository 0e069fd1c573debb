// CRC-32 of the archive format: the reflected IEEE 802.3 polynomial 0xEDB88320,
// start value 0xFFFFFFFF, final complement.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using Crc32Table = std::array<uint32_t, 256>;

// Builds the byte-wise lookup table.
Crc32Table makeCrc32Table();

// Continues a running CRC (pass 0 to start) over more bytes.
uint32_t updateCrc32(const Crc32Table& table, uint32_t crc, const unsigned char* bytes,
                     size_t count);

// CRC-32 of one block of bytes.
uint32_t crc32Of(const unsigned char* bytes, size_t count);
