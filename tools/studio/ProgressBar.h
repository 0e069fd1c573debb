// Progress of a long job on standard error: a bar, the items done, the rate per
// second and the time left. Redrawn in place on a terminal, at most four times a
// second; elsewhere (a log) one line per tenth of the job.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressBar {
public:
    ProgressBar(uint32_t total, std::string unit, std::FILE* out = stderr);

    // Shows that done items of the total are finished.
    void update(uint32_t done);
    // Ends the bar's line with the job's totals.
    void finish();

private:
    using Clock = std::chrono::steady_clock;

    std::string line(uint32_t done, double seconds) const;

    uint32_t total_;
    std::string unit_;
    std::FILE* out_;
    bool terminal_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDrawn_ = start_;
    uint32_t lastTenth_ = 0;
    uint32_t done_ = 0;
};

// Seconds as m:ss.
std::string minutesAndSeconds(double seconds);
