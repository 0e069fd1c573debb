#include "script/DemoPlayer.h"

#include "platform/Platform.h"

#include <GL/gl.h>

DemoPlayer::DemoPlayer(DemoScript& script) : script_(script), musicStopper_(*this) {}

void DemoPlayer::initialise() {
    startInitialising();
    finishInitialising(true);
}

void DemoPlayer::startInitialising() {
    loadLayers();
    music_.startOpening(MUSIC_FILE);
}

void DemoPlayer::finishInitialising(bool goingOn) {
    music_.finishOpening();
    if (!goingOn)
        music_.finishClosing();
}

void DemoPlayer::loadLayers() {
    entries_.reserve(script_.entries().size());
    for (const auto& named : script_.entries()) {
        entries_.push_back(named.second.get());
        if (Layer* layer = named.second->layer())
            layer->load();
    }
}

void DemoPlayer::renderFrame() {
    const uint32_t t = beginFrame();
    glLoadIdentity();
    for (LayerEntry* entry : entries_)
        entry->step(t);
}

void DemoPlayer::advanceFrame() {
    const uint32_t t = beginFrame();
    for (LayerEntry* entry : entries_)
        entry->advance(t);
}

uint32_t DemoPlayer::beginFrame() {
    if (!started_) {
        started_ = true;
        // Demo time 0 is when the music has started, however long the device
        // took to open.
        music_.play();
        clock_.start(milliseconds());
    }
    uint32_t tick = 0;
    uint32_t playedMs = 0;
    uint32_t handedMs = 0;
    if (music_.position(&tick, &playedMs, &handedMs))
        clock_.hearMusic(tick, playedMs, handedMs);
    else
        clock_.hearMusicEnd();
    const uint32_t t = clock_.time(milliseconds());
    if (t > SHOW_LENGTH_MS)
        postQuitMessage(0);
    return t;
}

void DemoPlayer::stopMusic() {
    music_.stop();
}
