// The audio stream of a capture: AAC through FFmpeg's own encoder, stereo at the
// soundtrack's rate, fed interleaved float samples in pieces of any size.
#pragma once

#include "studio/EncodedStream.h"

#include <cstddef>
#include <cstdint>
#include <string>

class AudioEncoder {
public:
    explicit AudioEncoder(AVFormatContext& file);
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    // False, with failure(), when the encoder is missing or refuses the rate.
    bool open(long sampleRate);
    // Appends interleaved stereo samples; whole encoder frames are encoded as
    // they fill.
    bool add(const float* samples, size_t frames);
    // Encodes what is left (a short last frame) and drains the encoder.
    bool finish();

    const std::string& failure() const;

private:
    bool sendFrame();

    EncodedStream stream_;
    AVFrame* frame_ = nullptr;
    int filled_ = 0;
    int64_t samplesSent_ = 0;
    std::string failure_;
};
