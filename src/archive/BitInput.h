// Reads a packed stream most significant bit first, straight from the bytes in
// memory, through a 64-bit buffer. Reads never go past the end of the data: bits
// beyond it read as zero, and exhausted() tells when more bits have been consumed
// than the data holds.
#pragma once

#include <cstddef>
#include <cstdint>

class BitInput {
public:
    void reset(const unsigned char* data, size_t size) {
        data_ = data;
        size_ = size;
        next_ = 0;
        buffer_ = 0;
        count_ = 0;
    }

    // Tops the buffer up to at least 56 bits; a decoding step that refills first
    // needs no further refill for 56 bits.
    void refill() {
        if (size_ >= 8 && next_ <= size_ - 8) {
            // The load may bring part of one more byte; those bits are that byte's
            // own, and the next refill brings the same bits again.
            refillAhead();
            return;
        }
        count_ = count();
        while (count_ < 56) {
            const uint64_t byte = next_ < size_ ? data_[next_] : 0;
            buffer_ |= byte << (56 - count_);
            ++next_;
            count_ += 8;
        }
    }

    // How many times in a row refillAhead() may be called: each needs eight bytes
    // of data from the next byte on, and moves on by at most seven.
    size_t refillsAhead() const { return size_ >= next_ + 8 ? (size_ - next_ - 8) / 7 + 1 : 0; }

    // Tops the buffer up to at least 56 bits without looking where the data ends
    // (see refillsAhead). Decoding steps in a fixed rhythm can then peek without
    // checking: three codes of up to 15 bits fit between two refills.
    void refillAhead() {
        buffer_ |= loadBigEndian64(data_ + next_) >> count();
        next_ += (63 - count()) >> 3;
        count_ |= 56;
    }

    // The next count bits (1..16), which the buffer must hold; nothing is consumed.
    unsigned peekBuffered(unsigned count) const {
        return static_cast<unsigned>(buffer_ >> (64 - count));
    }

    // The next 64 - shift bits (1..16), which the buffer must hold; nothing is
    // consumed. For a caller that keeps the shift rather than the count.
    unsigned peekShifted(unsigned shift) const { return static_cast<unsigned>(buffer_ >> shift); }

    // The next 16 bits, the first of them in bit 15; nothing is consumed.
    unsigned peek16() {
        if (count() < 16)
            refill();
        return static_cast<unsigned>(buffer_ >> 48);
    }

    // The next count bits (1..16) as a number; nothing is consumed.
    unsigned peekBits(unsigned count) {
        if (this->count() < 16)
            refill();
        return static_cast<unsigned>(buffer_ >> (64 - count));
    }

    // Consumes count bits (at most 16) of those seen by the last peek.
    void consume(unsigned count) {
        buffer_ <<= count;
        count_ -= count;
    }

    // The same for a table entry whose low six bits are the count, whatever its
    // other bits: the shift takes only those, and the buffer's count keeps
    // only its low six bits, so no step is spent taking them out.
    void consumeEntry(unsigned entry) {
        buffer_ <<= entry & 63;
        count_ -= entry;
    }

    // The next count bits (0..16) as a number, consumed.
    unsigned readBits(unsigned count) {
        const unsigned value = peek16() >> (16 - count);
        consume(count);
        return value;
    }

    // The same for a caller that has made sure the buffer holds them.
    unsigned readBuffered(unsigned count) {
        const unsigned value = peekBuffered(16) >> (16 - count);
        consume(count);
        return value;
    }

    size_t consumedBits() const { return next_ * 8 - count(); }

    // Bits of data not yet consumed; 0 once exhausted.
    size_t bitsLeft() const {
        const size_t used = consumedBits();
        return used < size_ * 8 ? size_ * 8 - used : 0;
    }

    // Whole bytes of data from the current byte on.
    size_t bytesLeft() const {
        const size_t byte = consumedBits() >> 3;
        return byte < size_ ? size_ - byte : 0;
    }

    // True once decoding has consumed bits that lie beyond the data.
    bool exhausted() const { return consumedBits() > size_ * 8; }

private:
    static uint64_t loadBigEndian64(const unsigned char* bytes) {
        // Written out so that compilers turn it into one load and a byte swap.
        return uint64_t{bytes[0]} << 56 | uint64_t{bytes[1]} << 48 | uint64_t{bytes[2]} << 40 |
               uint64_t{bytes[3]} << 32 | uint64_t{bytes[4]} << 24 | uint64_t{bytes[5]} << 16 |
               uint64_t{bytes[6]} << 8 | uint64_t{bytes[7]};
    }

    // The valid bits in the buffer (at most 63).
    unsigned count() const { return count_ & 63; }

    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    size_t next_ = 0;     // the first byte not yet in the buffer
    uint64_t buffer_ = 0; // the next bits, left-aligned
    unsigned count_ = 0;  // the valid bits in the buffer in its low six bits
};
