// The soundtrack: an MP3 from the embedded archive, decoded from memory and
// played once through SDL_mixer.
#pragma once

#include "archive/ResourceArchive.h"

#include <cstdint>
#include <thread>

typedef struct _Mix_Music Mix_Music;

class Music {
public:
    Music() = default;
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;
    // Frees the music and closes the audio device and the audio subsystem.
    ~Music();

    // Checks that there is an audio device (44100 Hz) and loads fileName from the
    // archive, then closes the device until play, so that its output starts with
    // the music. No device: returns false and the show runs silently. A file that
    // is missing or that cannot be played shows an error box and ends the process
    // (-1).
    bool open(const char* fileName);
    // Opens the device and starts playback from the beginning, once. Nothing
    // without music, on a second call, or when the device cannot be opened again.
    // Waits for the closing begun by open, if it has not yet ended.
    void play();
    // Stops playback. Nothing without music.
    void stop();

    // True when open found the device and the music: play will start it.
    bool loaded() const { return bytes_ != nullptr; }

private:
    // Closing a device waits for SDL's audio thread (up to a buffer's length), and
    // leaving the audio subsystem for its hot-plug poll (up to 100 ms): open leaves
    // that waiting to a thread of its own so that start-up goes on meanwhile.
    void closeMeanwhile(void (*close)());
    void finishClosing();

    // The decoder reads these bytes while the music plays: they live as long as it.
    ArchiveBytes bytes_;
    uint32_t size_ = 0;
    Mix_Music* music_ = nullptr;
    bool outputOpen_ = false;
    // From open to destruction; without a device the subsystem is left at once.
    bool audioStarted_ = false;
    std::thread closing_;
};
