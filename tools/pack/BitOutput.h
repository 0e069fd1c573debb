// Collects a bit stream most-significant bit first, the order the decoder reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class BitOutput {
public:
    // Appends the low count bits of value (count at most 32), highest first.
    void write(uint32_t value, unsigned count) {
        if (count == 0)
            return;
        pending_ = (pending_ << count) | (value & (0xFFFFFFFFu >> (32 - count)));
        pendingBits_ += count;
        while (pendingBits_ >= 8) {
            pendingBits_ -= 8;
            bytes_.push_back(static_cast<unsigned char>(pending_ >> pendingBits_));
        }
        pending_ &= (uint64_t{1} << pendingBits_) - 1;
    }

    size_t bitCount() const { return bytes_.size() * 8 + pendingBits_; }

    // The bytes written, the last one padded with zero bits.
    std::vector<unsigned char> finish() {
        if (pendingBits_ > 0)
            write(0, 8 - pendingBits_);
        return std::move(bytes_);
    }

private:
    std::vector<unsigned char> bytes_;
    uint64_t pending_ = 0;
    unsigned pendingBits_ = 0;
};
