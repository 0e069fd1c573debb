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

uint32_t crc32Of(const unsigned char* bytes, size_t count) {
    static const Crc32Table table = makeCrc32Table();
    return updateCrc32(table, 0, bytes, count);
}
