// The soundtrack synthesiser's pieces where a fault would be heard: clicks at
// note boundaries, filters that blow up, voices that never fall silent.
#include "Dsp.h"
#include "Instruments.h"
#include "Master.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Runs the envelope, releasing it after gateSamples, until it has finished;
// returns every level it produced.
std::vector<float> runEnvelope(const EnvelopeShape& shape, int gateSamples) {
    Envelope envelope(shape);
    std::vector<float> levels;
    for (int i = 0; !envelope.finished() && i < 10 * kSampleRate; ++i) {
        if (i == gateSamples)
            envelope.release();
        levels.push_back(envelope.next());
    }
    return levels;
}

float largestStep(const std::vector<float>& samples) {
    float step = 0.0f;
    float previous = 0.0f; // a note starts from silence
    for (float sample : samples) {
        step = std::max(step, std::fabs(sample - previous));
        previous = sample;
    }
    return step;
}

} // namespace

TEST(Envelope, ReleaseAtAnyMomentFallsSmoothlyToSilence) {
    const EnvelopeShape shape{0.01f, 0.05f, 0.6f, 0.02f};
    // Released during the attack, the decay, the sustain.
    for (int gate : {100, 300, 1000, 4000}) {
        const std::vector<float> levels = runEnvelope(shape, gate);
        ASSERT_LT(levels.size(), size_t(gate + 0.02f * kSampleRate + 2)) << "gate " << gate;
        EXPECT_EQ(levels.back(), 0.0f) << "gate " << gate;
        // Steepest allowed: a full-scale attack or release spread over its time.
        EXPECT_LE(largestStep(levels), 1.0f / (0.01f * kSampleRate) + 1e-6f) << "gate " << gate;
        for (float level : levels)
            ASSERT_TRUE(level >= 0.0f && level <= 1.0f) << "gate " << gate;
    }
}

TEST(Envelope, HoldsTheSustainLevelWhileTheGateIsOpen) {
    const std::vector<float> levels = runEnvelope({0.001f, 0.01f, 0.4f, 0.01f}, kSampleRate / 2);
    EXPECT_NEAR(levels[kSampleRate / 2 - 1], 0.4f, 0.01f);
}

TEST(StateVariableFilter, StaysBoundedAtHighResonanceAndExtremeCutoffs) {
    using Mode = StateVariableFilter::Mode;
    for (Mode mode : {Mode::LowPass, Mode::BandPass, Mode::HighPass}) {
        StateVariableFilter filter(mode);
        Noise noise(7);
        float loudest = 0.0f;
        for (int i = 0; i < kSampleRate; ++i) {
            // Swept from below the audible range to past the Nyquist frequency.
            filter.setup(5.0f + 30000.0f * float(i) / kSampleRate, 0.999f);
            const float out = filter.process(noise.next());
            ASSERT_TRUE(std::isfinite(out));
            loudest = std::max(loudest, std::fabs(out));
        }
        EXPECT_LT(loudest, 100.0f);
        float tail = 0.0f;
        for (int i = 0; i < kSampleRate; ++i)
            tail = std::fabs(filter.process(0.0f));
        EXPECT_LT(tail, 1e-3f) << "rings on after the input stopped";
    }
}

TEST(StateVariableFilter, LowPassKeepsTheBassAndRemovesTheTreble) {
    const auto gainAt = [](float hz) {
        StateVariableFilter filter;
        filter.setup(500.0f, 0.0f);
        Oscillator tone;
        tone.setFrequency(hz);
        float peak = 0.0f;
        for (int i = 0; i < kSampleRate / 2; ++i) {
            const float out = filter.process(tone.sine());
            if (i > kSampleRate / 4)
                peak = std::max(peak, std::fabs(out));
        }
        return peak;
    };
    EXPECT_NEAR(gainAt(50.0f), 1.0f, 0.05f);
    EXPECT_LT(gainAt(10000.0f), 0.01f);
}

TEST(Instruments, EveryNoteStartsAndEndsInSilence) {
    for (Instrument instrument :
         {Instrument::Kick, Instrument::Clap, Instrument::ClosedHat, Instrument::OpenHat,
          Instrument::Crash, Instrument::Bass, Instrument::Pad, Instrument::Lead}) {
        Mix mix(4 * kSampleRate);
        renderNote({instrument, 0.5, 0.4, 57.0f, 1.0f}, mix);
        const std::vector<float>& left = mix.dry.left;
        const size_t first = kSampleRate / 2;
        float peak = 0.0f;
        size_t last = 0;
        for (size_t i = 0; i < left.size(); ++i)
            if (left[i] != 0.0f) {
                peak = std::max(peak, std::fabs(left[i]));
                last = i;
            }
        ASSERT_GT(peak, 0.01f) << "silent instrument " << int(instrument);
        EXPECT_EQ(left[first - 1], 0.0f) << int(instrument);
        EXPECT_LT(std::fabs(left[first]), 0.05f * peak) << "click at the start " << int(instrument);
        EXPECT_LT(std::fabs(left[last]), 0.01f * peak) << "click at the end " << int(instrument);
        // Gate of 0.4 s and a release of at most a second.
        EXPECT_LT(last, first + size_t(1.4 * kSampleRate)) << int(instrument);
    }
}

TEST(Instruments, RenderTheSameNoteTheSameWay) {
    Mix once(kSampleRate);
    Mix twice(kSampleRate);
    const NoteEvent clap{Instrument::Clap, 0.1, 0.2, 0.0f, 0.8f};
    renderNote(clap, once);
    renderNote(clap, twice);
    EXPECT_EQ(once.dry.left, twice.dry.left);
    EXPECT_EQ(once.send.right, twice.send.right);
}

TEST(Master, FadeEndsInSilenceWithoutJumps) {
    StereoBuffer buffer(3 * kSampleRate);
    std::fill(buffer.left.begin(), buffer.left.end(), 0.5f);
    std::fill(buffer.right.begin(), buffer.right.end(), -0.5f);
    fadeOut(buffer, 1.0, 2.0);
    EXPECT_EQ(buffer.left[kSampleRate - 1], 0.5f);
    EXPECT_EQ(buffer.right[2 * kSampleRate], 0.0f);
    EXPECT_EQ(buffer.left.back(), 0.0f);
    for (size_t i = kSampleRate; i + 1 < buffer.frames(); ++i)
        ASSERT_LT(std::fabs(buffer.left[i + 1] - buffer.left[i]), 1e-4f) << i;
}

TEST(Master, NormalisesThePeakOfBothChannels) {
    StereoBuffer buffer(4);
    buffer.left = {0.1f, -0.2f, 0.3f, 0.0f};
    buffer.right = {0.0f, 0.0f, -2.0f, 1.0f};
    normalisePeak(buffer, kTargetPeak);
    EXPECT_FLOAT_EQ(peakOf(buffer), kTargetPeak);
    EXPECT_FLOAT_EQ(buffer.right[3], kTargetPeak / 2.0f);
}
