// The soundtrack: an MP3 from the embedded archive, decoded from memory and
// played once through SDL_mixer.
//
// Threads: SDL plays on an audio thread of its own; the mixer hands every buffer
// it fills to countPlayed there, which publishes the music's position through one
// atomic. Besides that, the checks of open run on a thread of their own, beside
// the rest of start-up: it starts the audio subsystem, checks the device and the
// file, publishes the outcome, and then closes the checked device (closing waits
// for SDL's audio thread). The rule: finishOpening waits for the outcome before
// anything reads what the checks found, and play and the destructor join the
// thread before they touch the device or an SDL subsystem. Without a device the
// audio subsystem stays up, idle, until destruction.
#pragma once

#include "archive/ResourceArchive.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

typedef struct _Mix_Music Mix_Music;

class Music {
public:
    // The output asked for: 16-bit stereo at 44100 Hz, mixed a buffer of 2048
    // sample frames (46 ms) at a time.
    static constexpr int OUTPUT_RATE = 44100;
    static constexpr int OUTPUT_CHANNELS = 2;
    static constexpr int OUTPUT_BUFFER_FRAMES = 2048;
    // How long play waits for the first of the music to reach the device.
    static constexpr uint32_t FIRST_BUFFER_WAIT_MS = 500;

    Music() = default;
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;
    // Frees the music and closes the audio device and the audio subsystem.
    ~Music();

    // Checks that there is an audio device (44100 Hz) and loads fileName from the
    // archive, then closes the device until play, so that its output starts with
    // the music. No device: returns false and the show runs silently. A file that
    // is missing or that cannot be played shows an error box and ends the process
    // (-1). The same as startOpening followed by finishOpening.
    bool open(const char* fileName);
    // Starts the checks of open on their thread and returns at once (once per
    // Music); fileName must stay valid until finishOpening. Meant to be called once the video
    // system is up (the audio subsystem shares SDL's events with it).
    void startOpening(const char* fileName);
    // Waits for the checks and answers as open does: false without a device; a
    // missing or unplayable file shows its error box and ends the process (-1).
    bool finishOpening();
    // Opens the device and starts playback from the beginning, once, and returns
    // when the mixer has handed the first of the music to the device (or after
    // FIRST_BUFFER_WAIT_MS), so that a clock started then starts with the music.
    // Nothing without music, on a second call, or when the device cannot be opened
    // again.
    void play();
    // Stops playback. Nothing without music.
    void stop();

    // The latest report of the music's position: at the platform clock's reading
    // *tick, the mixer was about to hand the device the music after its first
    // *playedMs milliseconds, and with that buffer it has handed *handedMs. False
    // before the music has started and after it has ended or been stopped.
    bool position(uint32_t* tick, uint32_t* playedMs, uint32_t* handedMs) const;

    // Waits until the checks' thread has closed the checked device (for a process
    // about to end: no thread may be in SDL then).
    void finishClosing();

    // True when open found the device and the music: play will start it.
    bool loaded() const { return bytes_ != nullptr; }

private:
    static constexpr uint64_t NO_REPORT = ~uint64_t{0};

    // What the checks found.
    enum class Outcome { PENDING, NO_DEVICE, READY, MISSING, UNPLAYABLE };

    // Called by the mixer on SDL's audio thread with every buffer it has filled.
    static void countPlayed(void* music, uint8_t* buffer, int bytes);
    void waitForFirstBuffer() const;
    // The checks, on their thread: the outcome is published before the checked
    // device is closed.
    void check(const char* fileName);
    Outcome checkDeviceAndFile(const char* fileName);
    void publish(Outcome outcome);

    // The decoder reads these bytes while the music plays: they live as long as it.
    ArchiveBytes bytes_;
    uint32_t size_ = 0;
    Mix_Music* music_ = nullptr;
    bool outputOpen_ = false;
    bool audioStarted_ = false;
    const char* fileName_ = nullptr;
    std::thread opening_;
    std::mutex outcomeMutex_;
    std::condition_variable outcomeSet_;
    Outcome outcome_ = Outcome::PENDING;
    // The output's sample frames a second and bytes a frame, set before playing.
    int outputRate_ = 0;
    int frameBytes_ = 0;
    // Written on the audio thread only: the sample frames of music played so far.
    uint64_t framesPlayed_ = 0;
    // The latest report: the tick in the high 32 bits, the milliseconds played in
    // the low ones; and the milliseconds of the buffer then being filled.
    std::atomic<uint64_t> report_{NO_REPORT};
    std::atomic<uint32_t> bufferMs_{0};
    // Set once the music has played and then stopped playing.
    std::atomic<bool> ended_{false};
};
