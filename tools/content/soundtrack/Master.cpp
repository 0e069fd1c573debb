#include "Master.h"

#include "Dsp.h"

#include <algorithm>
#include <cmath>

void addEcho(Mix& mix, double delaySeconds, float feedback) {
    const size_t delay = static_cast<size_t>(std::llround(delaySeconds * kSampleRate));
    const size_t frames = mix.frames();
    // Each side's echo holds what the other side held one delay earlier, so
    // repeats bounce between the speakers; a one-pole low-pass in the loop
    // darkens every repeat.
    std::vector<float> echoLeft(frames, 0.0f);
    std::vector<float> echoRight(frames, 0.0f);
    float dampLeft = 0.0f;
    float dampRight = 0.0f;
    for (size_t i = delay; i < frames; ++i) {
        const size_t from = i - delay;
        const float input = 0.5f * (mix.send.left[from] + mix.send.right[from]);
        dampLeft += 0.35f * (echoRight[from] - dampLeft);
        dampRight += 0.35f * (echoLeft[from] - dampRight);
        echoLeft[i] = input + feedback * dampLeft;
        echoRight[i] = feedback * dampRight + 0.6f * input;
    }
    for (size_t i = 0; i < frames; ++i) {
        mix.dry.left[i] += 0.5f * echoLeft[i];
        mix.dry.right[i] += 0.5f * echoRight[i];
    }
}

void fadeOut(StereoBuffer& buffer, double startSeconds, double endSeconds) {
    const size_t first = static_cast<size_t>(startSeconds * kSampleRate);
    const size_t last = static_cast<size_t>(endSeconds * kSampleRate);
    for (size_t i = first; i < buffer.frames(); ++i) {
        float gain = 0.0f;
        if (i < last) {
            const double progress = double(i - first) / double(last - first);
            gain = static_cast<float>(0.5 + 0.5 * std::cos(progress * 3.14159265358979));
        }
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
}

float peakOf(const StereoBuffer& buffer) {
    float peak = 0.0f;
    for (size_t i = 0; i < buffer.frames(); ++i)
        peak = std::max({peak, std::fabs(buffer.left[i]), std::fabs(buffer.right[i])});
    return peak;
}

void normalisePeak(StereoBuffer& buffer, float targetPeak) {
    const float peak = peakOf(buffer);
    if (peak <= 0.0f)
        return;
    const float gain = targetPeak / peak;
    for (size_t i = 0; i < buffer.frames(); ++i) {
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
}

StereoBuffer renderSoundtrack(const std::vector<NoteEvent>& notes, double seconds) {
    Mix mix(static_cast<size_t>(std::llround(seconds * kSampleRate)));
    for (const NoteEvent& note : notes)
        renderNote(note, mix);
    addEcho(mix, 0.375, 0.45f);
    fadeOut(mix.dry, kFadeStartSeconds, kFadeEndSeconds);
    normalisePeak(mix.dry, kTargetPeak);
    return std::move(mix.dry);
}
