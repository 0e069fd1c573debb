#include "script/DemoClock.h"

#include <algorithm>
#include <cmath>

void DemoClock::start(uint32_t now) {
    *this = DemoClock();
    start_ = now;
}

void DemoClock::hearMusic(uint32_t tick, uint32_t playedMs) {
    if (reportsHeard_ > 0 && tick == lastTick_ && playedMs == lastPlayed_)
        return;
    lastTick_ = tick;
    lastPlayed_ = playedMs;
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

uint32_t DemoClock::time(uint32_t now) {
    const uint32_t elapsed = now - start_;
    const double step = (elapsed - lastElapsed_) * EASING_RATE;
    lastElapsed_ = elapsed;
    correction_ = std::clamp(target_, correction_ - step, correction_ + step);
    const double time = std::floor(elapsed + correction_);
    lastTime_ = std::max(lastTime_, time > 0 ? static_cast<uint32_t>(time) : 0u);
    return lastTime_;
}

int32_t DemoClock::smallestLead() const {
    const size_t count = std::min(reportsHeard_, REPORTS_JUDGED);
    return *std::min_element(leads_.begin(), leads_.begin() + static_cast<std::ptrdiff_t>(count));
}
