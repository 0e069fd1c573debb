// The show's soundtrack "data\set_18.mp3", decoded whole by libmpg123 into 32-bit
// float stereo at the file's own rate: what the capture encodes and the player
// plays, from any point.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct DecodedSound {
    static constexpr int CHANNELS = 2;

    long rate = 0;
    // Interleaved: left, right, left, right, ...
    std::vector<float> samples;

    size_t frames() const { return samples.size() / CHANNELS; }
};

// Decodes MP3 bytes (mono is spread to both channels). False, with failure,
// when the bytes hold no audio the decoder can read.
bool decodeMp3(const unsigned char* bytes, size_t size, DecodedSound& sound, std::string& failure);

// Reads the soundtrack from the show's source and decodes it.
bool loadSoundtrack(DecodedSound& sound, std::string& failure);
