// From the score to the finished stereo signal: the band plays every note,
// the echo is added, the end fades out and the peak is set.
#pragma once

#include "Instruments.h"

#include <vector>

constexpr double kFadeStartSeconds = 169.0;
constexpr double kFadeEndSeconds = 177.0;
// Leaves room for the small overshoot that MP3 coding adds to peaks.
constexpr float kTargetPeak = 0.79f; // -2 dBFS

// Ping-pong echo of the mix's send, added to its dry signal.
void addEcho(Mix& mix, double delaySeconds, float feedback);

// Raised-cosine fade to silence between the two times; silence after.
void fadeOut(StereoBuffer& buffer, double startSeconds, double endSeconds);

float peakOf(const StereoBuffer& buffer);

// Scales the buffer so that its largest sample magnitude is targetPeak.
void normalisePeak(StereoBuffer& buffer, float targetPeak);

// The whole piece, seconds long: notes rendered, echo, fade, peak.
StereoBuffer renderSoundtrack(const std::vector<NoteEvent>& notes, double seconds);
