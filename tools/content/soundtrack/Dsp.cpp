#include "Dsp.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;

float samplesOf(float seconds) {
    return std::max(1.0f, seconds * kSampleRate);
}

} // namespace

Envelope::Envelope(const EnvelopeShape& shape)
    : attackStep(1.0f / samplesOf(shape.attack)),
      // about 1 % of the distance to the sustain level remains after the decay time
      decayFactor(std::exp(-4.6f / samplesOf(shape.decay))), sustain(shape.sustain),
      releaseSamples(samplesOf(shape.release)) {}

float Envelope::next() {
    switch (stage) {
    case Stage::Attack:
        value += attackStep;
        if (value >= 1.0f) {
            value = 1.0f;
            stage = Stage::Decay;
        }
        break;
    case Stage::Decay:
        value = sustain + (value - sustain) * decayFactor;
        break;
    case Stage::Release:
        value -= releaseStep;
        if (value <= 0.0f) {
            value = 0.0f;
            stage = Stage::Done;
        }
        break;
    case Stage::Done:
        break;
    }
    return value;
}

void Envelope::release() {
    if (stage == Stage::Done)
        return;
    stage = Stage::Release;
    releaseStep = value / releaseSamples;
    if (value <= 0.0f)
        stage = Stage::Done;
}

void StateVariableFilter::setup(float cutoffHz, float resonance) {
    const float nyquistSafe = 0.45f * kSampleRate;
    const float cutoff = std::clamp(cutoffHz, 10.0f, nyquistSafe);
    const float g = std::tan(kPi * cutoff / kSampleRate);
    k = 2.0f - 2.0f * std::clamp(resonance, 0.0f, 0.98f);
    a1 = 1.0f / (1.0f + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

float StateVariableFilter::process(float input) {
    const float v3 = input - ic2;
    const float v1 = a1 * ic1 + a2 * v3;
    const float v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0f * v1 - ic1;
    ic2 = 2.0f * v2 - ic2;
    switch (mode) {
    case Mode::LowPass:
        return v2;
    case Mode::BandPass:
        return v1;
    case Mode::HighPass:
        break;
    }
    return input - k * v1 - v2;
}

// Correction around a unit step at phase 0 (the saw's wrap), spread over one
// sample on each side.
float Oscillator::blepSaw(float at) const {
    const float dt = increment;
    if (at < dt) {
        const float t = at / dt;
        return t + t - t * t - 1.0f;
    }
    if (at > 1.0f - dt) {
        const float t = (at - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

void Oscillator::advance() {
    phase += increment;
    if (phase >= 1.0f)
        phase -= 1.0f;
}

float Oscillator::saw() {
    const float out = 2.0f * phase - 1.0f - blepSaw(phase);
    advance();
    return out;
}

float Oscillator::square() {
    float shifted = phase + 0.5f;
    if (shifted >= 1.0f)
        shifted -= 1.0f;
    const float out = (2.0f * phase - blepSaw(phase)) - (2.0f * shifted - blepSaw(shifted));
    advance();
    return out;
}

float Oscillator::sine() {
    const float out = std::sin(2.0f * kPi * phase);
    advance();
    return out;
}

float Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

float midiToHz(float note) {
    return 440.0f * std::exp2((note - 69.0f) / 12.0f);
}
