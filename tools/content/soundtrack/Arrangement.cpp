#include "Arrangement.h"

#include <array>

namespace {

enum Part : unsigned {
    Pad = 1u << 0,
    Kick = 1u << 1,
    Hats = 1u << 2,
    Clap = 1u << 3,
    Bass = 1u << 4,
    Lead = 1u << 5,
    Groove16 = 1u << 6, // open hats on the off-beats, closed sixteenths between
    Arpeggio = 1u << 7,
    Roll = 1u << 8,     // a clap roll through the section's last bar
    LeadHigh = 1u << 9, // the melody an octave up in the section's second half
    Crash = 1u << 10,   // a cymbal on the section's first downbeat
};

constexpr unsigned kTheme = Pad | Kick | Hats | Clap | Bass | Lead | Groove16 | Crash;

// The parts each of the storyboard's sections plays, in its order.
constexpr std::array<unsigned, storyboard::kSections.size()> kSectionParts{{
    Pad,                                     // pad intro
    Pad | Kick | Hats,                       // drums enter
    Pad | Kick | Hats | Clap | Bass | Crash, // bass, full groove
    kTheme,                                  // main theme
    Pad | Arpeggio | Roll,                   // break
    kTheme | LeadHigh,                       // theme returns
    Pad | Kick | Hats | Bass,                // winding down
    Pad,                                     // outro
}};

// Am, F, C, G: one chord a bar, voiced close around middle C.
struct Chord {
    float bassRoot;
    std::array<float, 3> voicing;
};
constexpr std::array<Chord, 4> kProgression{{
    {45, {57, 60, 64}},
    {41, {57, 60, 65}},
    {48, {55, 60, 64}},
    {43, {55, 59, 62}},
}};

// The theme: eight bars, notes as (bar, step, length in steps, pitch).
struct MelodyNote {
    int bar;
    int step;
    int steps;
    float pitch;
};
constexpr std::array<MelodyNote, 31> kMelody{{
    {0, 0, 6, 76},  {0, 6, 2, 74},  {0, 8, 4, 72}, {0, 12, 4, 69}, {1, 0, 6, 72}, {1, 6, 2, 69},
    {1, 8, 4, 72},  {1, 12, 4, 74}, {2, 0, 6, 76}, {2, 6, 2, 79},  {2, 8, 8, 76}, {3, 0, 4, 74},
    {3, 4, 4, 71},  {3, 8, 8, 67},  {4, 0, 4, 81}, {4, 4, 4, 79},  {4, 8, 4, 76}, {4, 12, 4, 72},
    {5, 0, 6, 77},  {5, 6, 2, 76},  {5, 8, 8, 72}, {6, 0, 4, 76},  {6, 4, 4, 79}, {6, 8, 4, 84},
    {6, 12, 4, 79}, {7, 0, 4, 71},  {7, 4, 2, 72}, {7, 6, 2, 74},  {7, 8, 6, 69}, {7, 14, 1, 71},
    {7, 15, 1, 72},
}};

class Composer {
public:
    std::vector<NoteEvent> notes;

    void bar(const storyboard::Section& section, unsigned parts, int bar) {
        const Chord& chord = kProgression[bar % kProgression.size()];
        if (parts & Pad)
            for (float pitch : chord.voicing)
                add(Instrument::Pad, bar, 0, 15.6, pitch, 0.9f);
        if ((parts & Crash) && bar == section.firstBar)
            add(Instrument::Crash, bar, 0, 16, 0, 0.5f);
        if (parts & Kick)
            for (int step = 0; step < kStepsPerBar; step += 4)
                add(Instrument::Kick, bar, step, 2.4, 0, 1.0f);
        if (parts & Clap)
            for (int step : {4, 12})
                add(Instrument::Clap, bar, step, 2, 0, 0.9f);
        if (parts & Hats)
            hats(parts & Groove16, bar);
        if (parts & Bass)
            bassLine(chord, bar);
        if (parts & Arpeggio)
            arpeggio(chord, bar);
        if ((parts & Roll) && bar == section.endBar - 1)
            roll(bar);
        if (parts & Lead) {
            const int sectionBar = bar - section.firstBar;
            const bool high = (parts & LeadHigh) && sectionBar >= 8;
            melody(bar, sectionBar % 8, high ? 12.0f : 0.0f);
        }
    }

private:
    void add(Instrument instrument, int bar, int step, double steps, float pitch, float velocity) {
        const double start = bar * kBarSeconds + step * kStepSeconds;
        notes.push_back({instrument, start, steps * kStepSeconds, pitch, velocity});
    }

    void hats(bool groove, int bar) {
        for (int step = 0; step < kStepsPerBar; ++step) {
            const bool offBeat = step % 4 == 2;
            if (groove && offBeat)
                add(Instrument::OpenHat, bar, step, 1.5, 0, 0.7f);
            else if (offBeat)
                add(Instrument::ClosedHat, bar, step, 1, 0, 0.85f);
            else if (groove)
                add(Instrument::ClosedHat, bar, step, 0.5, 0, step % 2 ? 0.35f : 0.5f);
        }
    }

    void bassLine(const Chord& chord, int bar) {
        for (int step : {2, 6, 10, 14})
            add(Instrument::Bass, bar, step, 1.6, chord.bassRoot + (step == 10 ? 12.0f : 0.0f),
                step == 2 ? 1.0f : 0.75f);
        add(Instrument::Bass, bar, 15, 0.8, chord.bassRoot + 7.0f, 0.5f);
    }

    void arpeggio(const Chord& chord, int bar) {
        const std::array<float, 4> pattern{chord.voicing[0], chord.voicing[1], chord.voicing[2],
                                           chord.voicing[0] + 12.0f};
        for (int step = 0; step < kStepsPerBar; ++step)
            add(Instrument::Lead, bar, step, 0.7, pattern[step % 4] + 12.0f,
                step % 4 == 0 ? 0.55f : 0.4f);
    }

    void roll(int bar) {
        for (int step = 0; step < kStepsPerBar; ++step)
            add(Instrument::Clap, bar, step, 0.8, 0, 0.25f + 0.045f * step);
    }

    void melody(int bar, int themeBar, float transpose) {
        for (const MelodyNote& note : kMelody)
            if (note.bar == themeBar)
                add(Instrument::Lead, bar, note.step, note.steps - 0.3, note.pitch + transpose,
                    0.85f);
    }
};

} // namespace

std::vector<NoteEvent> composeSoundtrack() {
    Composer composer;
    for (size_t at = 0; at < storyboard::kSections.size(); ++at) {
        const storyboard::Section& section = storyboard::kSections[at];
        for (int bar = section.firstBar; bar < section.endBar; ++bar)
            composer.bar(section, kSectionParts[at], bar);
    }
    return composer.notes;
}
