// Reads a packed stream most significant bit first, straight from the bytes in
// memory. Reads never go past the end of the data: bits beyond it read as zero,
// and exhausted() tells when more bits have been consumed than the data holds.
#pragma once

#include <cstddef>
#include <cstdint>

class BitInput {
  public:
    void reset(const unsigned char* data, size_t size) {
        data_ = data;
        size_ = size;
        position_ = 0;
    }

    // The next 16 bits, the first of them in bit 15; nothing is consumed.
    unsigned peek16() const {
        const size_t byte = position_ >> 3;
        const uint32_t word = byte + 4 <= size_ ? loadBigEndian(byte) : loadTail(byte);
        return static_cast<unsigned>((word << (position_ & 7)) >> 16);
    }

    void consume(unsigned count) { position_ += count; }

    // The next count bits (0..16) as a number, consumed.
    unsigned readBits(unsigned count) {
        const unsigned value = peek16() >> (16 - count);
        consume(count);
        return value;
    }

    // Whole bytes of data from the current byte on.
    size_t bytesLeft() const {
        const size_t byte = position_ >> 3;
        return byte < size_ ? size_ - byte : 0;
    }

    size_t consumedBits() const { return position_; }

    // True once decoding has consumed bits that lie beyond the data.
    bool exhausted() const { return position_ > size_ * 8; }

  private:
    uint32_t loadBigEndian(size_t byte) const {
        const unsigned char* bytes = data_ + byte;
        return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
               static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    }

    uint32_t loadTail(size_t byte) const {
        uint32_t word = 0;
        for (size_t i = byte; i < byte + 4; ++i)
            word = word << 8 | (i < size_ ? data_[i] : 0u);
        return word;
    }

    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0; // in bits
};
