// Writes packed streams bit by bit for tests: table sets sent through a simple
// pre-code, and symbols of the codes they define.
#pragma once

#include "archive/PackedFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using StreamBytes = std::vector<unsigned char>;

// Writes bits most significant first, padding the last byte with zeros.
class BitWriter {
public:
    void put(uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> i) & 1)
                bytes_.back() |= static_cast<unsigned char>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    const StreamBytes& bytes() const { return bytes_; }
    size_t bitCount() const { return used_; }

private:
    StreamBytes bytes_;
    size_t used_ = 0;
};

struct Code {
    uint32_t bits = 0;
    unsigned length = 0;
};

// Canonical codes: shorter codes first, equal lengths in symbol order.
inline std::vector<Code> canonicalCodes(const StreamBytes& lengths) {
    unsigned counts[16] = {};
    for (unsigned char length : lengths)
        ++counts[length];
    counts[0] = 0;
    uint32_t next[16] = {};
    uint32_t code = 0;
    for (unsigned length = 1; length < 16; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = code;
    }
    std::vector<Code> codes(lengths.size());
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol)
        if (lengths[symbol] != 0)
            codes[symbol] = {next[lengths[symbol]]++, lengths[symbol]};
    return codes;
}

inline StreamBytes lengthsOf(unsigned count, const std::map<unsigned, unsigned char>& coded) {
    StreamBytes lengths(count, 0);
    for (const auto& [symbol, length] : coded)
        lengths[symbol] = length;
    return lengths;
}

// Builds a packed stream: table sets whose lengths go through a pre-code that
// gives the deltas 0..15 the codes 1xxxx and the long zero run (18) the code 0.
class StreamWriter {
public:
    // Normal-mode tables; keep: the header asks to keep the previous lengths as
    // the delta base.
    void normalTables(const StreamBytes& mainLengths, const StreamBytes& distanceLengths,
                      const StreamBytes& lengthLengths, bool keep = false) {
        bits.put(keep ? 1 : 0, 2);
        StreamBytes all = mainLengths;
        all.insert(all.end(), distanceLengths.begin(), distanceLengths.end());
        all.insert(all.end(), lengthLengths.begin(), lengthLengths.end());
        sendLengths(all, keep);
        main = canonicalCodes(mainLengths);
        distance = canonicalCodes(distanceLengths);
        length = canonicalCodes(lengthLengths);
    }

    // Multimedia tables, one length set of 257 per channel.
    void audioTables(const std::vector<StreamBytes>& channelLengths) {
        bits.put(2, 2);
        bits.put(static_cast<uint32_t>(channelLengths.size() - 1), 2);
        StreamBytes all;
        audio.clear();
        for (const StreamBytes& lengths : channelLengths) {
            all.insert(all.end(), lengths.begin(), lengths.end());
            audio.push_back(canonicalCodes(lengths));
        }
        sendLengths(all, false);
    }

    void preCodeHeader() {
        for (unsigned symbol = 0; symbol < PRE_CODE_SYMBOLS; ++symbol)
            bits.put(symbol < 16 ? 5 : symbol == PRE_CODE_MANY_ZEROS ? 1 : 0, 4);
    }
    void delta(unsigned value) { bits.put(0x10 | value, 5); }
    void zeroRun(unsigned count) { // 11..138
        bits.put(0, 1);
        bits.put(count - 11, 7);
    }

    void symbol(unsigned value) { put(main[value]); }
    void literals(const std::string& text) {
        for (char c : text)
            symbol(static_cast<unsigned char>(c));
    }
    void distanceSymbol(unsigned value) { put(distance[value]); }
    void lengthSymbol(unsigned value) { put(length[value]); }
    void audioSymbol(unsigned channel, unsigned value) { put(audio[channel][value]); }

    BitWriter bits;
    std::vector<Code> main, distance, length;
    std::vector<std::vector<Code>> audio;

private:
    void put(const Code& code) {
        ASSERT_NE(code.length, 0u) << "symbol without a code";
        bits.put(code.bits, code.length);
    }
    // Sends lengths as deltas to the previous set (zero unless kept).
    void sendLengths(const StreamBytes& lengths, bool keep) {
        preCodeHeader();
        for (size_t i = 0; i < lengths.size(); ++i)
            delta((lengths[i] - (keep ? previous_[i] : 0)) & 15);
        previous_ = lengths;
    }
    StreamBytes previous_ = StreamBytes(MAX_TABLE_LENGTHS, 0);
};
