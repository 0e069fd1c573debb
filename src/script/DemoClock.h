// The demo clock: milliseconds since the show's first frame, kept in step with
// the music. It runs on the platform's millisecond clock; the music reports now
// and then how much of itself it has played, and when the two drift apart by more
// than DRIFT_TOLERANCE_MS the clock eases toward the music's position, a little
// faster or slower than real time, never going back. When the music stalls (its
// output waits for the processor, or the device for data), the clock goes no
// further than the music it has been handed, plus STALL_TOLERANCE_MS: the
// picture waits for the music rather than running ahead of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class DemoClock {
public:
    // How far the picture may run ahead of or behind the music before the clock
    // eases toward it: half a frame at 60 Hz, so that a reading is within a frame.
    static constexpr int32_t DRIFT_TOLERANCE_MS = 8;
    // While easing, the clock gains or loses at most this share of real time
    // (a tenth: 100 ms a second), which the eye takes as smooth.
    static constexpr double EASING_RATE = 0.1;
    // The music's position is judged over this many of its latest reports (about
    // 190 ms of music): a late report (the audio thread waited for the processor)
    // only makes the music look behind, so the smallest difference among them is
    // the truest, while a lasting change (the output stalled) shows once it has
    // lasted through them all.
    static constexpr size_t REPORTS_JUDGED = 4;
    // How far the picture may run ahead of a music that has stalled: less than a
    // frame, yet more than a mixer callback is commonly late by when the device's
    // queue still covers it (holding the picture then would only make it stutter).
    static constexpr uint32_t STALL_TOLERANCE_MS = 12;
    // A music that has reported nothing for this long is taken for gone (a
    // device that no longer calls back), as if it had ended.
    static constexpr uint32_t STALL_LIMIT_MS = 250;

    // Demo time 0 is at the reading now.
    void start(uint32_t now);
    // The music's report: at the reading tick it had played playedMs of itself
    // and had been handed handedMs (playedMs and the buffer being filled). A
    // report heard before is ignored.
    void hearMusic(uint32_t tick, uint32_t playedMs, uint32_t handedMs);
    // The music has ended or stopped: it holds the clock no more, which goes on
    // at real time from where it is.
    void hearMusicEnd();
    // Demo time at the reading now (a reading at or after the last one).
    uint32_t time(uint32_t now);

private:
    // The smallest of the latest leads: real time since the start minus the
    // music's position, at a report.
    int32_t smallestLead() const;
    // The latest demo time the music allows at the reading now: its position
    // (no further than it was handed) plus STALL_TOLERANCE_MS.
    double musicCeiling(uint32_t now) const;

    uint32_t start_ = 0;
    uint32_t lastElapsed_ = 0;
    uint32_t lastTime_ = 0;
    double correction_ = 0.0;
    double target_ = 0.0;
    std::array<int32_t, REPORTS_JUDGED> leads_{};
    size_t reportsHeard_ = 0;
    uint32_t lastTick_ = 0;
    uint32_t lastPlayed_ = 0;
    uint32_t lastHanded_ = 0;
    bool musicPlaying_ = false;
};
