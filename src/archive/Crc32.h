// CRC-32 of the archive format: the reflected IEEE 802.3 polynomial 0xEDB88320,
// start value 0xFFFFFFFF, final complement (the same CRC as zlib's).
#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 of one block of bytes.
uint32_t crc32Of(const unsigned char* bytes, size_t count);
