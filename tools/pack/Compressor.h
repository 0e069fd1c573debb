// Packs archive entries: each entry becomes a normal-mode LZ77 stream or a
// multimedia stream, whichever is smaller, or is stored when neither shrinks it.
// In a solid run an entry continues the window, recent distances, tables and
// channel predictors of the packed entry before it.
#pragma once

#include "AudioEncoder.h"
#include "BitOutput.h"
#include "HuffmanEncoder.h"
#include "LzParser.h"
#include "PackFormat.h"

#include <cstdint>
#include <vector>

using Bytes = std::vector<unsigned char>;

struct PackOptions {
    bool best = false;       // more effort, written as method 0x35
    bool solid = false;      // entries continue the previous packed entry
    bool forceAudio = false; // multimedia mode for every entry
};

struct PackedEntry {
    uint8_t method = 0; // 0x30 when stored
    bool solid = false; // continues the previous packed entry's state
    Bytes data;         // the packed stream, or the entry's bytes when stored
};

class Compressor {
public:
    explicit Compressor(const PackOptions& options);

    // Packs the next entry of the archive.
    PackedEntry pack(const Bytes& data);

private:
    // What the decoder carries from one entry of a solid run to the next.
    struct StreamState {
        MatchHistory matches;
        AudioEncoderState audio;
        uint8_t previousLengths[MAX_TABLE_LENGTHS] = {};
        unsigned knownLengths = MAX_TABLE_LENGTHS; // how many of them the decoder surely holds
        bool audioMode = false;
        std::vector<HuffmanEncoder> escapeCodes; // main code, or one per audio channel
    };

    Bytes packNormal(StreamState& state, const Bytes& buffer, size_t start, bool continuing) const;
    Bytes packAudio(StreamState& state, const Bytes& data, bool continuing,
                    unsigned channels) const;
    std::vector<Token> parse(StreamState& state, const Bytes& buffer, size_t start) const;
    void writeTables(BitOutput& out, StreamState& state, bool audio, unsigned channels,
                     const std::vector<uint8_t>& lengths) const;

    PackOptions options_;
    StreamState state_;
    bool started_ = false;
    Bytes history_; // the last window's worth of bytes the decoder holds (solid runs)
};
