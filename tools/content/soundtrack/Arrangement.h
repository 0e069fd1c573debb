// The song: in A minor at the storyboard's tempo (120 beats per minute, bars of
// two seconds), its sections from the pad intro to the outro, written out as a
// list of notes.
#pragma once

#include "Instruments.h"
#include "soundtrack/Storyboard.h"

#include <vector>

constexpr double kBarSeconds = storyboard::kBarMs / 1000.0;
constexpr int kStepsPerBar = 16;
constexpr double kStepSeconds = kBarSeconds / kStepsPerBar;
constexpr int kSongBars = storyboard::kSongBars;
constexpr double kSongSeconds = kSongBars * kBarSeconds;

// Every note of the song in the order the sections play them.
std::vector<NoteEvent> composeSoundtrack();
