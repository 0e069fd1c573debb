// What the sync benchmark measures, and how it reads its measurements: the
// frames' demo times and the audio file's growth against one real clock.
#pragma once

#include "script/Music.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr long SAMPLE_RATE = Music::OUTPUT_RATE;
constexpr int CHANNELS = Music::OUTPUT_CHANNELS;

// A value noted at a moment of the real clock (microseconds).
struct Reading {
    uint64_t us;
    uint64_t value;
};

// The clock SDL's millisecond clock reads, and so the demo clock, in microseconds.
uint64_t realMicroseconds();

struct Timeline {
    std::vector<Reading> frames;    // the probe layer's local time, frame by frame
    uint32_t firstFrameDemoMs;      // the demo time of the first frame
    std::vector<Reading> fileSizes; // the audio file's size in bytes as it grew
    std::vector<int16_t> written;   // the audio file's samples
};

// Finds the soundtrack (decoded, 16-bit stereo) in the written audio and prints
// the offsets, and writes every buffer's to offsetsPath unless it is empty (a
// line each: music position, demo time, real time since the demo clock's start,
// in ms); false when the music cannot be found, nothing was written or the file
// cannot be.
bool reportOffsets(const Timeline& timeline, const std::vector<int16_t>& soundtrack,
                   const std::string& offsetsPath);
