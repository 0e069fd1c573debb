// The song: 120 beats per minute in A minor, bars of two seconds, sections
// from the pad intro to the outro, written out as a list of notes.
#pragma once

#include "Instruments.h"

#include <vector>

constexpr double kBarSeconds = 2.0;
constexpr int kStepsPerBar = 16;
constexpr double kStepSeconds = kBarSeconds / kStepsPerBar;
constexpr int kSongBars = 89;
constexpr double kSongSeconds = kSongBars * kBarSeconds;

// Every note of the song in the order the sections play them.
std::vector<NoteEvent> composeSoundtrack();
