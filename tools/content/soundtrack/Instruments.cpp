#include "Instruments.h"

#include "Dsp.h"

#include <algorithm>
#include <cmath>

namespace {

struct Frame {
    float left;
    float right;
};

Frame mono(float value) {
    return {value, value};
}

// Where a voice sits in the mix: loudness, stereo position (-1 left to 1
// right) and how much of it goes to the echo.
struct Placement {
    float gain;
    float pan;
    float send;
};

// Per-sample decay factor that falls to 1/e after the given time.
float decayPerSample(float seconds) {
    return std::exp(-1.0f / (seconds * kSampleRate));
}

// Runs one voice: the source makes the raw signal sample by sample, the
// envelope shapes it, the gate ends where the note's length says and the
// release runs out to silence.
template <typename Source>
void play(Mix& mix, const NoteEvent& note, const EnvelopeShape& shape, const Placement& place,
          Source&& source) {
    const size_t first = static_cast<size_t>(std::llround(note.start * kSampleRate));
    const size_t gate = std::max<size_t>(1, std::llround(note.length * kSampleRate));
    const float angle = (place.pan + 1.0f) * 0.78539816f;
    const float gain = place.gain * note.velocity * 1.41421356f;
    const float gainLeft = std::cos(angle) * gain;
    const float gainRight = std::sin(angle) * gain;
    Envelope envelope(shape);
    for (size_t i = 0; first + i < mix.frames(); ++i) {
        if (i == gate)
            envelope.release();
        const float level = envelope.next();
        if (envelope.finished())
            break;
        const Frame raw = source(i);
        const float left = raw.left * level * gainLeft;
        const float right = raw.right * level * gainRight;
        const size_t at = first + i;
        mix.dry.left[at] += left;
        mix.dry.right[at] += right;
        mix.send.left[at] += left * place.send;
        mix.send.right[at] += right * place.send;
    }
}

uint32_t seedOf(const NoteEvent& note) {
    return static_cast<uint32_t>(std::llround(note.start * kSampleRate)) * 2654435761u + 1u;
}

// A sine falling quickly in pitch, with a short filtered noise click on top.
void kick(const NoteEvent& note, Mix& mix) {
    Oscillator body;
    Noise noise(seedOf(note));
    StateVariableFilter clickFilter;
    clickFilter.setup(3000.0f, 0.1f);
    float sweep = 1.0f;
    float click = 1.0f;
    const float sweepDecay = decayPerSample(0.035f);
    const float clickDecay = decayPerSample(0.004f);
    play(mix, note, {0.001f, 0.45f, 0.0f, 0.03f}, {0.9f, 0.0f, 0.0f}, [&](size_t) {
        body.setFrequency(44.0f + 120.0f * sweep);
        sweep *= sweepDecay;
        click *= clickDecay;
        return mono(body.sine() + 0.35f * click * clickFilter.process(noise.next()));
    });
}

// Three quick bursts of band-passed noise and a short tail, slightly left.
void clap(const NoteEvent& note, Mix& mix) {
    Noise noise(seedOf(note));
    StateVariableFilter band(StateVariableFilter::Mode::BandPass);
    band.setup(1300.0f, 0.35f);
    const size_t burst = kSampleRate / 100;
    const float burstDecay = decayPerSample(0.004f);
    const float tailDecay = decayPerSample(0.06f);
    float shape = 1.0f;
    play(mix, note, {0.0005f, 0.5f, 0.0f, 0.03f}, {0.55f, -0.15f, 0.08f}, [&](size_t i) {
        shape = (i < 3 * burst && i % burst == 0)
                    ? 1.0f
                    : shape * (i < 3 * burst ? burstDecay : tailDecay);
        return mono(2.5f * shape * band.process(noise.next()));
    });
}

// High-passed noise; the open hat rings longer, the crash longest and lower.
void hat(const NoteEvent& note, Mix& mix, float ring, float cutoff) {
    Noise noise(seedOf(note));
    StateVariableFilter high(StateVariableFilter::Mode::HighPass);
    high.setup(cutoff, 0.2f);
    play(mix, note, {0.0005f, ring, 0.0f, 0.01f}, {0.55f, 0.3f, 0.05f},
         [&](size_t) { return mono(high.process(noise.next())); });
}

// Saw with a sub-octave pulse through a resonant low-pass that closes after
// each attack.
void bass(const NoteEvent& note, Mix& mix) {
    Oscillator saw;
    Oscillator sub;
    const float hz = midiToHz(note.pitch);
    saw.setFrequency(hz);
    sub.setFrequency(hz * 0.5f);
    StateVariableFilter low;
    float sweep = 1.0f;
    const float sweepDecay = decayPerSample(0.09f);
    const float depth = 300.0f + 1700.0f * note.velocity;
    play(mix, note, {0.003f, 0.25f, 0.75f, 0.04f}, {0.42f, 0.0f, 0.0f}, [&](size_t) {
        low.setup(140.0f + depth * sweep, 0.55f);
        sweep *= sweepDecay;
        return mono(low.process(0.7f * saw.saw() + 0.5f * sub.square()));
    });
}

// Two saws a few cents apart, one leaning to each side, softened by a
// slowly breathing low-pass.
void pad(const NoteEvent& note, Mix& mix) {
    Oscillator upper;
    Oscillator lower;
    const float hz = midiToHz(note.pitch);
    upper.setFrequency(hz * 1.0046f);
    lower.setFrequency(hz / 1.0046f);
    lower.setPhase(0.37f);
    StateVariableFilter lowLeft;
    StateVariableFilter lowRight;
    Oscillator breath;
    breath.setFrequency(0.23f);
    play(mix, note, {0.45f, 1.2f, 0.8f, 0.9f}, {0.13f, 0.0f, 0.25f}, [&](size_t i) {
        if (i % 64 == 0) {
            const float cutoff = 1100.0f + 500.0f * breath.sine();
            lowLeft.setup(cutoff, 0.15f);
            lowRight.setup(cutoff * 1.07f, 0.15f);
        }
        const float a = upper.saw();
        const float b = lower.saw();
        return Frame{lowLeft.process(a + 0.45f * b), lowRight.process(b + 0.45f * a)};
    });
}

// Pulse and saw with delayed vibrato; its echo fills the stereo field.
void lead(const NoteEvent& note, Mix& mix) {
    Oscillator pulse;
    Oscillator saw;
    Oscillator vibrato;
    vibrato.setFrequency(5.2f);
    StateVariableFilter low;
    const float hz = midiToHz(note.pitch);
    const size_t vibratoDelay = kSampleRate / 6;
    float sweep = 1.0f;
    const float sweepDecay = decayPerSample(0.2f);
    play(mix, note, {0.008f, 0.35f, 0.65f, 0.14f}, {0.2f, 0.0f, 0.45f}, [&](size_t i) {
        const float wobble = i > vibratoDelay ? 0.0045f * vibrato.sine() : 0.0f;
        pulse.setFrequency(hz * (1.0f + wobble));
        saw.setFrequency(hz * 1.003f * (1.0f + wobble));
        low.setup(1200.0f + 2600.0f * sweep * note.velocity, 0.3f);
        sweep *= sweepDecay;
        return mono(low.process(0.5f * pulse.square() + 0.5f * saw.saw()));
    });
}

} // namespace

void renderNote(const NoteEvent& note, Mix& mix) {
    switch (note.instrument) {
    case Instrument::Kick:
        kick(note, mix);
        break;
    case Instrument::Clap:
        clap(note, mix);
        break;
    case Instrument::ClosedHat:
        hat(note, mix, 0.035f, 6500.0f);
        break;
    case Instrument::OpenHat:
        hat(note, mix, 0.22f, 6500.0f);
        break;
    case Instrument::Crash:
        hat(note, mix, 1.6f, 4000.0f);
        break;
    case Instrument::Bass:
        bass(note, mix);
        break;
    case Instrument::Pad:
        pad(note, mix);
        break;
    case Instrument::Lead:
        lead(note, mix);
        break;
    }
}
