// Canonical Huffman codes for the encoder: code lengths built from symbol counts
// and limited in length, and the codes the decoder assigns to those lengths.
#pragma once

#include "BitOutput.h"

#include <cstdint>
#include <vector>

// Lengths of an optimal prefix code whose codes are at most maxLength bits
// (package-merge). Unused symbols get 0; a lone used symbol gets 1.
std::vector<uint8_t> buildCodeLengths(const uint32_t* counts, unsigned symbolCount,
                                      unsigned maxLength);

// Bits needed to code the counted symbols with the given lengths.
uint64_t codedBits(const uint32_t* counts, const uint8_t* lengths, unsigned symbolCount);

class HuffmanEncoder {
public:
    HuffmanEncoder() = default;
    // Codes in canonical order: shorter codes first, equal lengths by symbol value.
    HuffmanEncoder(const uint8_t* lengths, unsigned symbolCount);

    void write(BitOutput& out, unsigned symbol) const {
        out.write(codes_[symbol], lengths_[symbol]);
    }

private:
    std::vector<uint8_t> lengths_;
    std::vector<uint16_t> codes_;
};
