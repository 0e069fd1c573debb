#include "resources/Crc32.h"

Crc32Table makeCrc32Table() {
    Crc32Table table{};
    for (uint32_t index = 0; index < 256; ++index) {
        uint32_t value = index;
        for (int shift = 0; shift < 8; ++shift)
            value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[index] = value;
    }
    return table;
}

uint32_t updateCrc32(const Crc32Table& table, uint32_t crc, const unsigned char* bytes,
                     size_t count) {
    crc = ~crc;
    for (size_t i = 0; i < count; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace {

// Eight tables for eight bytes per step: slice k gives the CRC of a byte followed
// by k zero bytes, so eight lookups replace eight dependent ones.
struct SlicedTables {
    Crc32Table slice[8];

    SlicedTables() {
        slice[0] = makeCrc32Table();
        for (int k = 1; k < 8; ++k)
            for (int i = 0; i < 256; ++i)
                slice[k][i] = (slice[k - 1][i] >> 8) ^ slice[0][slice[k - 1][i] & 0xFF];
    }
};

uint32_t little32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

} // namespace

uint32_t crc32Of(const unsigned char* bytes, size_t count) {
    static const SlicedTables tables;
    const Crc32Table* t = tables.slice;
    uint32_t crc = 0xFFFFFFFFu;
    for (; count >= 8; count -= 8, bytes += 8) {
        const uint32_t low = little32(bytes) ^ crc;
        const uint32_t high = little32(bytes + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
              t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^
              t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    return updateCrc32(t[0], ~crc, bytes, count);
}
