#include "script/DemoClock.h"

#include <algorithm>
#include <cmath>

void DemoClock::start(uint32_t now) {
    *this = DemoClock();
    start_ = now;
}

void DemoClock::hearMusic(uint32_t tick, uint32_t playedMs, uint32_t handedMs) {
    if (reportsHeard_ > 0 && tick == lastTick_ && playedMs == lastPlayed_)
        return;
    musicPlaying_ = true;
    lastTick_ = tick;
    lastPlayed_ = playedMs;
    lastHanded_ = handedMs;
    // Differences of 32-bit readings: a report taken just before the start is a
    // small negative span.
    const auto sinceStart = static_cast<int32_t>(tick - start_);
    leads_[reportsHeard_ % REPORTS_JUDGED] = sinceStart - static_cast<int32_t>(playedMs);
    ++reportsHeard_;
    // The clock is headed for the correction target_; a new one is set only when
    // that would still leave the picture out of step with the music.
    const int32_t lead = smallestLead();
    if (std::abs(lead + target_) > DRIFT_TOLERANCE_MS)
        target_ = -lead;
}

void DemoClock::hearMusicEnd() {
    // Nothing to follow any more: the clock goes on at real time from here.
    musicPlaying_ = false;
    target_ = correction_;
}

uint32_t DemoClock::time(uint32_t now) {
    const uint32_t elapsed = now - start_;
    const double step = (elapsed - lastElapsed_) * EASING_RATE;
    lastElapsed_ = elapsed;
    if (musicPlaying_ && now - lastTick_ > STALL_LIMIT_MS)
        hearMusicEnd();
    correction_ = std::clamp(target_, correction_ - step, correction_ + step);
    // Waiting for a stalled music becomes part of the correction, so the clock
    // goes on from there when the music does (or is given up for gone).
    correction_ = std::min(correction_, musicCeiling(now) - elapsed);
    const double time = std::floor(elapsed + correction_);
    lastTime_ = std::max(lastTime_, time > 0 ? static_cast<uint32_t>(time) : 0u);
    return lastTime_;
}

double DemoClock::musicCeiling(uint32_t now) const {
    if (!musicPlaying_)
        return HUGE_VAL;
    const uint32_t sinceReport = now - lastTick_;
    const uint32_t handed = lastHanded_ - lastPlayed_;
    return double(lastPlayed_) + std::min(sinceReport, handed) + STALL_TOLERANCE_MS;
}

int32_t DemoClock::smallestLead() const {
    const size_t count = std::min(reportsHeard_, REPORTS_JUDGED);
    return *std::min_element(leads_.begin(), leads_.begin() + static_cast<std::ptrdiff_t>(count));
}
