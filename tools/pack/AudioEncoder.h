// The multimedia mode seen from the encoder: each byte goes to a channel in turn,
// the channel's adaptive linear predictor guesses it, and the coded symbol is the
// prediction minus the byte (modulo 256). The predictors here follow the
// decoder's step for step, so both sides adapt their weights identically.
#pragma once

#include "PackFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The encoder's copy of one channel's predictor state.
struct ChannelPredictor {
    int weights[5] = {};
    int deltas[4] = {};
    int lastDelta = 0;
    uint32_t errorSums[11] = {};
    uint32_t byteCount = 0;
    uint8_t lastByte = 0;
};

struct AudioEncoderState {
    ChannelPredictor channels[MAX_AUDIO_CHANNELS];
    int channelDelta = 0;
    unsigned currentChannel = 0;
};

class AudioEncoder {
public:
    // The symbol that makes the decoder produce byte on channel, updating the
    // channel's predictor as the decoder does.
    static uint8_t encodeByte(ChannelPredictor& channel, int& channelDelta, uint8_t byte);

    // Symbols for data spread over channelCount channels, starting at the state's
    // current channel (which the decoder resets to 0 when it is not below the count).
    static std::vector<uint8_t> encode(AudioEncoderState& state, unsigned channelCount,
                                       const uint8_t* data, size_t size);
};
