// Play mode: the show in the window at the fixed rate of 60 frames a second, in
// step with the wall clock and the music (frames the machine cannot draw in time
// are stepped without drawing), with pause, seeking, restart, reload (F5, and
// every save in a watched folder) and the overlay. A show that fails is reported
// and the studio goes on. Every action is also reported on standard output, one line each
// ("paused at 12350 ms", "seek to 22350 ms (0.12 s)").
#pragma once

#include "platform/FrameClient.h"
#include "studio/AudioOutput.h"
#include "studio/FolderWatch.h"
#include "studio/FrameTimes.h"
#include "studio/Overlay.h"
#include "studio/ShowReloader.h"
#include "studio/ShowRun.h"
#include "studio/ShowSource.h"
#include "studio/ShowTimeline.h"
#include "studio/StudioWindow.h"
#include "studio/WindowShowContext.h"

#include <chrono>
#include <string>
#include <vector>

class StudioPlayer : public FrameClient, public KeyHandler {
public:
    // The run must have been started.
    StudioPlayer(ShowRun& run, WindowShowContext& context, ShowSource& source, AudioOutput& audio,
                 Overlay& overlay, SDL_Window* window);

    // Shows the frame at (or just before) demo time start and plays on from it.
    void begin(uint32_t start);
    // Saves in the folder reload what the show reads of it (null: none).
    void watch(FolderWatch* folder) { folder_ = folder; }
    // One turn of the frame loop: the frame due now, if a new one is, then the
    // picture and the overlay drawn for the loop to present.
    void renderFrame() override;
    // Space, Left, Right, Page Up, Page Down, Up and Down (the next and the
    // previous event of the show), Home, F5 and F1.
    bool handleKey(SDL_Keycode key) override;

private:
    using Clock = std::chrono::steady_clock;

    uint32_t currentFrame() const { return run_.nextFrame() - 1; }
    uint32_t dueFrame() const;
    void advance();
    double showFrame(uint32_t frame);
    double showTime(uint32_t t);
    void seekBy(int32_t milliseconds);
    void seekTo(uint32_t frame, const char* what);
    void seekToTime(uint32_t t, const char* what);
    void jumpToEvent(bool forward);
    void togglePause();
    void stop(const char* what);
    void reloadSaved();
    void reloaded(const ShowReloader::Outcome& outcome, Clock::time_point started);
    void anchor();
    void report(const std::string& message);
    void present();
    void drawPicture(int width, int height) const;
    std::vector<std::string> overlayLines(int width);
    ShowTimeline timeline() const;
    void drawTimelineBar(int width, int height) const;

    ShowRun& run_;
    WindowShowContext& context_;
    AudioOutput& audio_;
    Overlay& overlay_;
    SDL_Window* window_;
    ShowReloader reloader_;
    FolderWatch* folder_ = nullptr;
    Clock::time_point epoch_ = Clock::now();
    FrameTimes frameTimes_;
    bool playing_ = false;
    bool broken_ = false;
    bool overlayShown_ = false;
    uint32_t anchorTime_ = 0;
    Clock::time_point anchorTick_;
    std::string message_;
    Clock::time_point messageUntil_;
};
