// Unpacks the packed entries of an archive (RAR 2.0 compression, unpack versions
// 13 to 20): an LZ77 window of 1 MiB fed by canonical prefix codes whose lengths
// are sent delta-coded, or, in the multimedia mode, bytes predicted per channel
// with only the prediction error coded.
//
// One state serves one extraction call, which makes it at its first packed entry
// and frees it, window and all, at its end: a solid entry goes on with the
// window, the recent distances, the channel predictors and the code tables that
// the entry before it left; the call's first entry always starts clean. The
// window is as large as the call's entries need, so that a small entry pays for
// no more than it unpacks, and a ring of twice the format's 1 MiB for calls that
// unpack more (see reserveWindow). An entry that starts clean into an output
// buffer with room behind it needs no window at all: the buffer serves as one.
// Any input is safe: reads stay inside the packed data, writes inside the window and
// the output buffer, and decoding ends once it has consumed more bits than the
// data holds. Bad data only makes wrong or short output, which the caller's CRC
// check rejects.
#pragma once

#include "archive/AudioChannelState.h"
#include "archive/BitInput.h"
#include "archive/HuffmanDecoder.h"
#include "archive/PackedFormat.h"
#include "archive/TokenDecoder.h"
#include "archive/UnpackResult.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

class UnpackState {
public:
    // Null when there is no memory for the state.
    static std::unique_ptr<UnpackState> create();

    // Room an output buffer has behind the entry's bytes for the entry to be
    // unpacked straight into it: a last match may run past the entry's end, and
    // the match copy writes in chunks.
    static constexpr uint32_t OUTPUT_SLACK = MAX_MATCH_LENGTH + 32;

    // Unpacks one entry from its packedSize bytes at packed. solid: the entry
    // continues the previous entry of the call (else the state starts clean). output: a buffer
    // of unpackedSize bytes that receives the entry, with outputCount advanced by
    // what was written; null for an entry that is only decoded to carry a solid
    // archive's state forward. OutOfMemory when the window cannot grow to what
    // the entry needs (nothing is decoded then).
    //
    // outputCapacity: the output buffer's whole size. With OUTPUT_SLACK bytes
    // behind the entry's, an entry that starts clean is unpacked straight into
    // the buffer, which serves as its window: no window is made and no byte is
    // copied. The buffer's bytes past those outputCount counts are then
    // undefined, up to the capacity, and such an entry ends the call's chain of
    // solid entries: the next entry starts clean.
    UnpackResult unpackEntry(const unsigned char* packed, uint32_t packedSize,
                             uint32_t unpackedSize, bool solid, unsigned char* output,
                             uint32_t& outputCount, uint64_t outputCapacity = 0);

    UnpackState(const UnpackState&) = delete;
    UnpackState& operator=(const UnpackState&) = delete;

private:
    struct FreeWindow {
        void operator()(unsigned char* window) const;
    };

    UnpackState();

    bool reserveWindow(uint32_t kept, uint32_t entrySize);
    void useOutputAsWindow(unsigned char* output, uint32_t entrySize);
    void endOutputWindow();
    uint32_t windowMask() const { return windowSize_ - 1; }
    // Positions as the format's ring of WINDOW_SIZE takes them, for the flushes.
    uint32_t flushMask() const { return std::min(windowSize_, WINDOW_SIZE) - 1; }
    void startEntry(bool solid);
    void clearWindow();
    void readTables();
    void buildDecoders(unsigned lengthCount);
    int64_t flushRoom() const;
    void endRun(BitInput input, uint32_t write, int64_t left);
    // A ring that unpacking may come round; no other window ever does.
    bool windowComesRound() const { return !outputIsWindow_ && windowSize_ == RING_SIZE; }
    template <bool Ring>
    void decodeNormalRun();
    void decodeAudioRun();
    uint32_t decodeAudioBatch(BitInput& in, unsigned char* out, uint32_t count);
    uint32_t decodeAudioBatchAvx2(BitInput& in, unsigned char* out, uint32_t count);
    uint32_t decodeAudioBatchSse2(BitInput& in, unsigned char* out, uint32_t count);
    uint32_t decodeAudioChannels(BitInput& in, unsigned char* out, uint32_t count);
    template <unsigned Channels>
    uint32_t decodeAudioBytes(BitInput& input, unsigned char* out, uint32_t count);
    template <unsigned Channels>
    static bool inStep(const AudioChannelState* channels, int channelDelta);
    void finishEntry();
    bool flushDue() const;
    void flush();
    void copyOut(uint32_t count);

    // The smallest window made; a call's script or picture needs more.
    static constexpr uint32_t MIN_WINDOW_SIZE = 4096;
    // The ring of a call that unpacks more than the format's window holds.
    static constexpr uint32_t RING_SIZE = 2 * WINDOW_SIZE;

    std::unique_ptr<unsigned char, FreeWindow> window_;
    // The bytes the entry is unpacked in: window_, or the output buffer itself.
    unsigned char* windowBytes_ = nullptr;
    bool outputIsWindow_ = false;
    uint32_t windowSize_ = 0;      // a power of two, at most RING_SIZE
    uint32_t windowAllocated_ = 0; // all of windowSize_ once the window may come round
    uint32_t writePosition_ = 0;
    uint32_t flushPosition_ = 0;
    bool windowWrapped_ = false; // has come round since the last clear

    BitInput input_;
    int64_t outputLeft_ = 0; // the loop runs while not negative
    unsigned char* output_ = nullptr;
    uint32_t outputSize_ = 0;
    uint32_t* outputCount_ = nullptr;
    bool overrun_ = false;
    bool started_ = false; // an entry of the current call has begun

    std::array<uint32_t, 4> recentDistances_{};
    uint32_t recentCount_ = 0; // low two bits: the next slot to write
    uint32_t lastDistance_ = 0;
    uint32_t lastLength_ = 0;

    std::array<unsigned char, MAX_TABLE_LENGTHS> previousLengths_{};
    bool audioMode_ = false;
    unsigned channelCount_ = 1;
    unsigned currentChannel_ = 0;
    int channelDelta_ = 0;
    std::array<AudioChannelState, MAX_AUDIO_CHANNELS> channels_{};

    TokenDecoder mainDecoder_;
    TokenDecoder distanceDecoder_;
    TokenDecoder lengthDecoder_;
    HuffmanDecoder preCodeDecoder_;
    std::array<HuffmanDecoder, MAX_AUDIO_CHANNELS> audioDecoders_;
};
