// The band: drums, bass, pad and lead, each rendering one note into a mix.
#pragma once

#include "StereoBuffer.h"

enum class Instrument { Kick, Clap, ClosedHat, OpenHat, Crash, Bass, Pad, Lead };

// One note of the score: start and gate length in seconds, pitch as a MIDI
// note number (ignored by the drums), velocity from 0 to 1.
struct NoteEvent {
    Instrument instrument;
    double start;
    double length;
    float pitch;
    float velocity;
};

// The dry signal and the send to the echo.
struct Mix {
    StereoBuffer dry;
    StereoBuffer send;

    explicit Mix(size_t frames) : dry(frames), send(frames) {}
    size_t frames() const { return dry.frames(); }
};

// Adds the note to the mix, envelope release included; samples past the end of
// the mix are dropped.
void renderNote(const NoteEvent& note, Mix& mix);
