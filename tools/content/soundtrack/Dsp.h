// The synthesiser's building blocks: envelopes, oscillators, a filter and a
// noise source. Everything runs per sample in single precision at one fixed
// rate; nothing allocates.
#pragma once

#include <cstdint>

constexpr int kSampleRate = 44100;

// Attack, decay and release in seconds; sustain as a level from 0 to 1.
struct EnvelopeShape {
    float attack = 0.005f;
    float decay = 0.1f;
    float sustain = 1.0f;
    float release = 0.05f;
};

// ADSR envelope. The attack rises linearly from the present level, the decay
// falls exponentially towards the sustain level, and the release falls
// linearly from wherever the envelope stands to zero, so a note-off at any
// moment never makes the level jump.
class Envelope {
public:
    explicit Envelope(const EnvelopeShape& shape);

    float next();
    void release();
    bool finished() const { return stage == Stage::Done; }
    float level() const { return value; }

private:
    enum class Stage { Attack, Decay, Release, Done };

    Stage stage = Stage::Attack;
    float value = 0.0f;
    float attackStep;
    float decayFactor;
    float sustain;
    float releaseSamples;
    float releaseStep = 0.0f;
};

// Topology-preserving state-variable filter: stays stable for every cutoff
// below the Nyquist frequency and every resonance below 1.
class StateVariableFilter {
public:
    enum class Mode { LowPass, BandPass, HighPass };

    explicit StateVariableFilter(Mode mode = Mode::LowPass) : mode(mode) {}

    // cutoffHz is clamped below the Nyquist frequency; resonance 0 (none) to
    // just below 1 (self-oscillation edge).
    void setup(float cutoffHz, float resonance);
    float process(float input);

private:
    Mode mode;
    float a1 = 1.0f, a2 = 0.0f, a3 = 0.0f, k = 2.0f;
    float ic1 = 0.0f, ic2 = 0.0f;
};

// Band-limited sawtooth (polynomial band-limited step at the wrap). The pulse
// is two saws half a period apart.
class Oscillator {
public:
    void setFrequency(float hz) { increment = hz / kSampleRate; }
    void setPhase(float p) { phase = p; }
    float saw();
    float square();
    float sine();

private:
    float blepSaw(float at) const;
    void advance();

    float phase = 0.0f;
    float increment = 0.0f;
};

// Deterministic white noise in [-1, 1).
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    float next();

private:
    uint32_t state;
};

float midiToHz(float note);
