// The show's plan in time: the soundtrack's tempo and the storyboard's sections in
// bars. The soundtrack generator composes the song section by section from it;
// the studio shows the section and the beat grid at the playhead from it.
#pragma once

#include <array>

// Inline, so that every file that includes this shares one table (a section is
// known by its address).
namespace storyboard {

inline constexpr int kBeatsPerMinute = 120;
inline constexpr int kBeatsPerBar = 4;
inline constexpr int kBeatMs = 60000 / kBeatsPerMinute;
inline constexpr int kBarMs = kBeatMs * kBeatsPerBar;
inline constexpr int kSongBars = 89;

// Bars firstBar to endBar (not included).
struct Section {
    int firstBar;
    int endBar;
    const char* name;
};

inline constexpr std::array<Section, 8> kSections{{
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
