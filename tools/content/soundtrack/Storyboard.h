// The show's plan in time: the soundtrack's tempo and the storyboard's sections in
// bars. The soundtrack generator composes the song section by section from it;
// the studio shows the section and the beat grid at the playhead from it.
#pragma once

#include <array>

namespace storyboard {

constexpr int kBeatsPerMinute = 120;
constexpr int kBeatsPerBar = 4;
constexpr int kBeatMs = 60000 / kBeatsPerMinute;
constexpr int kBarMs = kBeatMs * kBeatsPerBar;
constexpr int kSongBars = 89;

// Bars firstBar to endBar (not included).
struct Section {
    int firstBar;
    int endBar;
    const char* name;
};

constexpr std::array<Section, 8> kSections{{
    {0, 8, "pad intro"},
    {8, 16, "drums enter"},
    {16, 32, "bass, full groove"},
    {32, 48, "main theme"},
    {48, 56, "break"},
    {56, 72, "theme returns"},
    {72, 82, "winding down"},
    {82, kSongBars, "outro"},
}};

} // namespace storyboard
