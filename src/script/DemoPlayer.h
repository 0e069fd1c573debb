// Runs the parsed script as a show: loads every layer once, owns the music,
// keeps the demo clock and renders one frame whenever the frame loop asks.
#pragma once

#include "platform/FrameClient.h"
#include "script/DemoClock.h"
#include "script/DemoScript.h"
#include "script/Music.h"

#include <cstdint>
#include <vector>

class DemoPlayer : public FrameClient {
public:
    // The show ends this long after its first frame.
    static constexpr uint32_t SHOW_LENGTH_MS = 177000;
    static constexpr const char* MUSIC_FILE = "data\\set_18.mp3";

    // The script must outlive the player; its entries stay the script's.
    explicit DemoPlayer(DemoScript& script);
    ~DemoPlayer() override = default;

    // Fixes the rendering order (the script's name order), loads every layer in
    // that order, then opens the music: startInitialising, then finishInitialising.
    void initialise();
    // Fixes the rendering order and loads every layer, then starts the music's
    // checks on their own thread (a layer that fails to load ends the process
    // before they start). Needs the video system up.
    void startInitialising();
    // Waits for the music's checks and reports their failure as opening the music
    // does (an error box, then the end of the process). goingOn: false when the
    // process is about to end, so the checked device is closed before it returns
    // (no thread of the checks may outlive it).
    void finishInitialising(bool goingOn);
    // The first half of initialise, for a player that runs without its music.
    void loadLayers();
    // The first frame starts the music, then the clock; every frame reads the
    // clock (which keeps in step with the music), posts a quit request once the
    // show is over, resets the model-view matrix and steps every entry in
    // rendering order.
    void renderFrame() override;
    // The same frame with every layer advanced instead of rendered
    // (Layer::advance), for a tool that steps through frames nobody sees.
    void advanceFrame();
    // Stops the music (after the last frame).
    void stopMusic();

    // The player's second face for the frame loop: its one operation stops the music.
    FrameClient& musicStopper() { return musicStopper_; }

    const std::vector<LayerEntry*>& entries() const { return entries_; }
    bool musicLoaded() const { return music_.loaded(); }

private:
    // The demo time of the frame beginning now: the clock (and the music, at the
    // first frame) started, the music heard, the quit request posted at the end.
    uint32_t beginFrame();

    class MusicStopper : public FrameClient {
    public:
        explicit MusicStopper(DemoPlayer& player) : player_(player) {}
        void renderFrame() override { player_.stopMusic(); }

    private:
        DemoPlayer& player_;
    };

    DemoScript& script_;
    std::vector<LayerEntry*> entries_;
    bool started_ = false;
    DemoClock clock_;
    Music music_;
    MusicStopper musicStopper_;
};
