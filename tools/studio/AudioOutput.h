// The soundtrack on the audio device in play mode, from the decoded samples:
// it plays from any demo time and pauses with the picture.
#pragma once

#include "studio/Soundtrack.h"

#include <SDL.h>

#include <cstdint>

class AudioOutput {
public:
    explicit AudioOutput(const DecodedSound& sound) : sound_(sound) {}
    // Closes the device.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the default output device, paused. False (with SDL's reason in
    // failure()) when there is none; everything else then does nothing.
    bool open();
    // Plays from demo time ms on (silence past the soundtrack's end).
    void playFrom(uint32_t ms);
    void pause();

    const std::string& failure() const { return failure_; }

private:
    static void fill(void* self, Uint8* stream, int length);

    const DecodedSound& sound_;
    SDL_AudioDeviceID device_ = 0;
    // The next sample frame to play; the audio thread moves it, under the
    // device's lock.
    size_t position_ = 0;
    std::string failure_;
};
