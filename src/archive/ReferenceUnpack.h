// A plain reference unpacker for packed archive entries (RAR 2.0 compression,
// unpack versions 13 to 20), written to be read: one symbol per step, codes
// decoded by the limit search, the multimedia predictor with its weight update
// spelt out. It is slow and is not used by the program; tests and the
// differential fuzz target run it beside UnpackState on the same streams and
// require the same output and the same result (see UnpackResult.h).
//
// The whole decoder state is the struct below, passed explicitly to every step.
#pragma once

#include "archive/PackedFormat.h"
#include "archive/UnpackResult.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

// A canonical prefix code, decoded by comparing the next 16 bits with the
// limits of each code length in turn.
struct ReferenceCode {
    unsigned symbolCount = 0;
    // limit[L]: the exclusive upper bound, left-aligned in 16 bits, of all codes
    // of length at most L; capped at 0xFFFF.
    std::array<uint32_t, MAX_CODE_LENGTH + 1> limit{};
    // first[L]: where the symbols with codes of length L start in symbol.
    std::array<uint32_t, MAX_CODE_LENGTH + 1> first{};
    // The coded symbols by code length, then by value; 0 in the unused slots.
    std::array<uint16_t, MAIN_SYMBOLS> symbol{};
};

// The adaptive linear predictor of one multimedia channel.
struct ReferenceChannel {
    std::array<int, 5> K{};         // weights of D1..D4 and of the channel delta
    std::array<int, 4> D{};         // D1..D4: the last delta and its differences
    int lastDelta = 0;              // the last byte's change, as a signed byte
    std::array<uint32_t, 11> dif{}; // error sums of the current 32 bytes
    uint32_t byteCount = 0;
    unsigned lastByte = 0;
};

struct ReferenceUnpackState {
    // Input: the entry's packed bytes and the next bit to read.
    const unsigned char* input = nullptr;
    size_t inputSize = 0;
    size_t bitPosition = 0;

    // Output: the requested entry's buffer (null for an entry only decoded to
    // carry a solid archive's state on), its size and the running count.
    unsigned char* output = nullptr;
    uint32_t outputSize = 0;
    uint32_t* outputCount = nullptr;
    int64_t outputLeft = 0; // the entry goes on while this is not negative
    bool overrun = false;

    // The sliding window; every position is taken modulo its size.
    std::array<unsigned char, WINDOW_SIZE> window{};
    uint32_t writePosition = 0;
    uint32_t flushPosition = 0; // the first byte not yet copied to the output

    // Matches.
    std::array<uint32_t, 4> recentDistances{};
    uint32_t recentCount = 0; // low two bits: the next slot to write
    uint32_t lastDistance = 0;
    uint32_t lastLength = 0;

    // Code tables.
    std::array<unsigned char, MAX_TABLE_LENGTHS> previousLengths{};
    ReferenceCode mainCode, distanceCode, lengthCode, preCode;
    std::array<ReferenceCode, MAX_AUDIO_CHANNELS> audioCodes;

    // The multimedia mode.
    bool audioMode = false;
    unsigned channelCount = 1;
    unsigned currentChannel = 0;
    int channelDelta = 0; // the last byte's change on any channel
    std::array<ReferenceChannel, MAX_AUDIO_CHANNELS> channels;

    bool started = false; // an entry has begun since the state was made
};

// A fresh state; null when there is no memory for it.
std::unique_ptr<ReferenceUnpackState> createReferenceUnpackState();

// Unpacks one entry from its packedSize bytes at packed, as UnpackState::unpackEntry
// does: solid continues the previous entry's state; output (unpackedSize bytes,
// or null) receives the entry and outputCount counts what was written.
UnpackResult referenceUnpackEntry(ReferenceUnpackState& state, const unsigned char* packed,
                                  uint32_t packedSize, uint32_t unpackedSize, bool solid,
                                  unsigned char* output, uint32_t& outputCount);

// One byte of a multimedia channel: the byte that the coded error delta
// (0..255) makes, with the channel and the shared channel delta moved on.
uint8_t predictChannelByte(ReferenceChannel& channel, unsigned delta, int& channelDelta);
