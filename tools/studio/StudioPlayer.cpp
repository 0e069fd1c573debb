#include "studio/StudioPlayer.h"

#include "platform/Platform.h"
#include "studio/FixedStep.h"
#include "studio/PictureGeometry.h"
#include "studio/ShowFailures.h"
#include "studio/TimelineBar.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <ctime>
#include <tuple>

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint32_t PLAY_RATE = 60;
constexpr uint32_t LAST_FRAME = fixedstep::framesBefore(fixedstep::SHOW_LENGTH_MS, PLAY_RATE) - 1;
constexpr uint32_t IDLE_WAIT_MS = 15;
constexpr auto MESSAGE_SHOWN_FOR = std::chrono::seconds(6);
constexpr const char* KEYS_HELP =
    "Space pause  Left/Right 1 s  PgDn/PgUp 10 s  Home start  F5 reload  Esc quit";
constexpr const char* EVENT_KEYS_HELP = "Down/Up previous/next event";

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The seconds since the newest of the files under folder was written (by the
// wall clock, as file times are); negative when none can be read.
double secondsSinceWritten(const std::string& folder, const std::vector<std::string>& paths) {
    timespec newest{-1, 0};
    for (const std::string& path : paths) {
        struct stat status {};
        if (stat((folder + "/" + path).c_str(), &status) == 0 &&
            std::tie(status.st_mtim.tv_sec, status.st_mtim.tv_nsec) >
                std::tie(newest.tv_sec, newest.tv_nsec))
            newest = status.st_mtim;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (newest.tv_sec < 0)
        return -1.0;
    return static_cast<double>(now.tv_sec - newest.tv_sec) +
           static_cast<double>(now.tv_nsec - newest.tv_nsec) / 1e9;
}

std::string format(const char* pattern, double first, double second = 0.0) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, first, second);
    return text;
}

} // namespace

StudioPlayer::StudioPlayer(ShowRun& run, WindowShowContext& context, ShowSource& source,
                           AudioOutput& audio, Overlay& overlay, SDL_Window* window)
    : run_(run), context_(context), audio_(audio), overlay_(overlay), window_(window),
      reloader_(run, source) {}

void StudioPlayer::begin(uint32_t start) {
    const double seconds =
        showFrame(std::min(fixedstep::frameAtOrBefore(start, PLAY_RATE), LAST_FRAME));
    playing_ = true;
    anchor();
    audio_.playFrom(run_.time());
    report("playing from " + std::to_string(run_.time()) + " ms" + format(" (%.2f s)", seconds));
}

void StudioPlayer::renderFrame() {
    reloadSaved();
    advance();
    present();
}

bool StudioPlayer::handleKey(SDL_Keycode key) {
    if (key == SDLK_F5) {
        const Clock::time_point started = Clock::now();
        context_.makeCurrent();
        reloaded(reloader_.reloadAll(run_.time()), started);
        return true;
    }
    if (broken_)
        return false;
    switch (key) {
    case SDLK_SPACE:
        togglePause();
        return true;
    case SDLK_LEFT:
        seekBy(-1000);
        return true;
    case SDLK_RIGHT:
        seekBy(1000);
        return true;
    case SDLK_PAGEDOWN:
        seekBy(-10000);
        return true;
    case SDLK_PAGEUP:
        seekBy(10000);
        return true;
    case SDLK_DOWN:
        jumpToEvent(false);
        return true;
    case SDLK_UP:
        jumpToEvent(true);
        return true;
    case SDLK_HOME:
        seekTo(0, "restart at");
        return true;
    case SDLK_F1:
        overlayShown_ = !overlayShown_;
        return true;
    default:
        return false;
    }
}

uint32_t StudioPlayer::dueFrame() const {
    const double target = anchorTime_ + secondsSince(anchorTick_) * 1000.0;
    return std::min(fixedstep::frameAtOrBefore(static_cast<uint32_t>(target), PLAY_RATE),
                    LAST_FRAME);
}

void StudioPlayer::advance() {
    if (!playing_ || broken_) {
        SDL_Delay(IDLE_WAIT_MS);
        return;
    }
    if (currentFrame() >= LAST_FRAME) {
        stop("end of the show at");
        return;
    }
    const uint32_t due = dueFrame();
    if (due > currentFrame()) {
        const double milliseconds = showFrame(due) * 1000.0;
        frameTimes_.add(secondsSince(epoch_), milliseconds);
        return;
    }
    // Nothing new is due yet: wait for the next frame's time.
    const double nextDue = fixedstep::frameTime(currentFrame() + 1, PLAY_RATE) - anchorTime_;
    const double wait = nextDue - secondsSince(anchorTick_) * 1000.0;
    SDL_Delay(static_cast<uint32_t>(std::clamp(wait, 0.0, double{IDLE_WAIT_MS})));
}

double StudioPlayer::showFrame(uint32_t frame) {
    return showTime(fixedstep::frameTime(frame, PLAY_RATE));
}

double StudioPlayer::showTime(uint32_t t) {
    const Clock::time_point started = Clock::now();
    context_.makeCurrent();
    if (!run_.seek(t)) {
        dropQuitRequests(); // the studio goes on without what failed
        broken_ = !run_.running();
        report((broken_ ? "cannot go on: " : "the show failed: ") + run_.failure());
    }
    glFinish(); // the window's context shows the picture next
    return secondsSince(started);
}

void StudioPlayer::seekBy(int32_t milliseconds) {
    const int64_t target = std::clamp<int64_t>(int64_t{run_.time()} + milliseconds, 0,
                                               fixedstep::frameTime(LAST_FRAME, PLAY_RATE));
    seekTo(fixedstep::frameAtOrBefore(static_cast<uint32_t>(target), PLAY_RATE), "seek to");
}

void StudioPlayer::seekTo(uint32_t frame, const char* what) {
    seekToTime(fixedstep::frameTime(frame, PLAY_RATE), what);
}

void StudioPlayer::seekToTime(uint32_t t, const char* what) {
    const double seconds = showTime(t);
    anchor();
    if (playing_)
        audio_.playFrom(run_.time());
    report(std::string(what) + " " + std::to_string(run_.time()) + " ms" +
           format(" (%.2f s)", seconds));
}

void StudioPlayer::togglePause() {
    if (playing_) {
        stop("paused at");
        return;
    }
    playing_ = true;
    anchor();
    audio_.playFrom(run_.time());
    report("playing from " + std::to_string(run_.time()) + " ms");
}

void StudioPlayer::stop(const char* what) {
    playing_ = false;
    audio_.pause();
    report(std::string(what) + " " + std::to_string(run_.time()) + " ms");
}

void StudioPlayer::reloadSaved() {
    if (!folder_)
        return;
    const std::vector<std::string> saved = folder_->settledChanges();
    if (saved.empty())
        return;
    const double sinceSaved = secondsSinceWritten(folder_->directory(), saved);
    const Clock::time_point started = Clock::now();
    context_.makeCurrent();
    reloaded(reloader_.reloadSaved(saved, run_.time()), started, sinceSaved);
}

// The reload's picture on screen, the clock and music going on from the same
// time, and what happened said.
void StudioPlayer::reloaded(const ShowReloader::Outcome& outcome, Clock::time_point started,
                            double sinceSaved) {
    if (outcome.message.empty())
        return;
    dropQuitRequests(); // a failing show was rolled back or is reported
    broken_ = !run_.running();
    glFinish(); // the window's context shows the picture next
    anchor();
    if (playing_)
        audio_.playFrom(run_.time());
    // The reload's own time, and for a save the time from it to the picture.
    const double taken = secondsSince(started);
    report(outcome.message + (sinceSaved < 0.0 ? format(" (%.2f s)", taken)
                                               : format(" (%.2f s, %.3f s after the save)", taken,
                                                        sinceSaved + taken)));
}

void StudioPlayer::anchor() {
    anchorTime_ = run_.time();
    anchorTick_ = Clock::now();
}

void StudioPlayer::report(const std::string& message) {
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
    message_ = message;
    messageUntil_ = Clock::now() + MESSAGE_SHOWN_FOR;
}

void StudioPlayer::present() {
    context_.makeHostCurrent();
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!broken_)
        drawPicture(width, height);
    overlay_.draw(overlayLines(width), width, height);
    if (overlayShown_ && !broken_)
        drawTimelineBar(width, height);
}

ShowTimeline StudioPlayer::timeline() const {
    return ShowTimeline(run_.player().entries(), run_.fps());
}

void StudioPlayer::drawTimelineBar(int width, int height) const {
    usePixelCoordinates(width, height);
    TimelineBar(width, height, timeline().spans()).draw(run_.time());
}

void StudioPlayer::jumpToEvent(bool forward) {
    uint32_t at = 0;
    const ShowTimeline events = timeline();
    if (forward ? events.eventAfter(run_.time(), at) : events.eventBefore(run_.time(), at))
        seekToTime(at, forward ? "next event at" : "previous event at");
    else
        report(forward ? "no event after " + std::to_string(run_.time()) + " ms"
                       : "no event before " + std::to_string(run_.time()) + " ms");
}

void StudioPlayer::drawPicture(int width, int height) const {
    const PictureRect rect = pictureRect(width, height);
    glViewport(rect.x, rect.y, rect.width, rect.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, context_.framebuffer().colourTexture());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex2i(0, 0);
    glTexCoord2i(1, 0);
    glVertex2i(1, 0);
    glTexCoord2i(1, 1);
    glVertex2i(1, 1);
    glTexCoord2i(0, 1);
    glVertex2i(0, 1);
    glEnd();
}

std::vector<std::string> StudioPlayer::overlayLines(int width) {
    std::vector<std::string> lines;
    if (overlayShown_ && !broken_) {
        lines.push_back(format("%8.3f s of 177.000 s", run_.time() / 1000.0) + "   frame " +
                        std::to_string(currentFrame()) + (playing_ ? "" : "   paused"));
        const double frameTime = frameTimes_.median(secondsSince(epoch_));
        lines.push_back(frameTime > 0
                            ? format("frame time %.1f ms (median of the last second)", frameTime)
                            : std::string("frame time: no frame in the last second"));
        for (std::string& line : timeline().describe(run_.time(), overlay_.columnsFor(width)))
            lines.push_back(std::move(line));
    }
    if (!message_.empty() && Clock::now() < messageUntil_)
        lines.push_back(message_);
    if (overlayShown_) {
        lines.push_back(KEYS_HELP);
        lines.push_back(EVENT_KEYS_HELP);
    }
    return lines;
}
