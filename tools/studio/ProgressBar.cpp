#include "studio/ProgressBar.h"

#include <unistd.h>

namespace {

constexpr int BAR_WIDTH = 30;
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(250);

} // namespace

std::string minutesAndSeconds(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

ProgressBar::ProgressBar(uint32_t total, std::string unit, std::FILE* out)
    : total_(total), unit_(std::move(unit)), out_(out), terminal_(isatty(fileno(out)) == 1) {}

std::string ProgressBar::line(uint32_t done, double seconds) const {
    const int filled = total_ ? static_cast<int>(uint64_t{done} * BAR_WIDTH / total_) : BAR_WIDTH;
    const double rate = seconds > 0 ? done / seconds : 0.0;
    const double left = rate > 0 ? (total_ - done) / rate : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, "[%s%s] %u/%u %s  %.1f %s/s  %s left",
                  std::string(filled, '#').c_str(), std::string(BAR_WIDTH - filled, '.').c_str(),
                  done, total_, unit_.c_str(), rate, unit_.c_str(),
                  minutesAndSeconds(left).c_str());
    return text;
}

void ProgressBar::update(uint32_t done) {
    done_ = done;
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (terminal_) {
        if (now - lastDrawn_ < REDRAW_INTERVAL && done != total_)
            return;
        lastDrawn_ = now;
        std::fprintf(out_, "\r%s\033[K", line(done, seconds).c_str());
    } else {
        const uint32_t tenth = total_ ? static_cast<uint32_t>(uint64_t{done} * 10 / total_) : 10;
        if (tenth == lastTenth_)
            return;
        lastTenth_ = tenth;
        std::fprintf(out_, "%s\n", line(done, seconds).c_str());
    }
    std::fflush(out_);
}

void ProgressBar::finish() {
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    std::fprintf(out_, "%s%u %s in %s (%.1f %s/s)\n", terminal_ ? "\n" : "", done_, unit_.c_str(),
                 minutesAndSeconds(seconds).c_str(), seconds > 0 ? done_ / seconds : 0.0,
                 unit_.c_str());
    std::fflush(out_);
}
