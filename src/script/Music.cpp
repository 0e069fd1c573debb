#include "script/Music.h"

#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/showError.h"
#include "script/MixerLibrary.h"

#include <SDL.h>

namespace {

constexpr int PLAY_ONCE = 0;

// The mixer's functions, once the checks have found them.
const MixerFunctions& mixer() {
    return *mixerFunctions();
}

bool openDevice() {
    return mixer().openAudio(Music::OUTPUT_RATE, MIX_DEFAULT_FORMAT, Music::OUTPUT_CHANNELS,
                             Music::OUTPUT_BUFFER_FRAMES) == 0;
}

// A decoder over the bytes, which must outlive it; null when they cannot be played.
// Needs the output open.
Mix_Music* decoderFor(const ArchiveBytes& bytes, uint32_t size) {
    SDL_RWops* source = SDL_RWFromConstMem(bytes.get(), static_cast<int>(size));
    return source ? mixer().loadMusic(source, 1) : nullptr;
}

} // namespace

Music::~Music() {
    finishClosing();
    if (outputOpen_)
        mixer().setPostMix(nullptr, nullptr);
    if (music_)
        mixer().freeMusic(music_);
    if (outputOpen_)
        mixer().closeAudio();
    if (audioStarted_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Music::open(const char* fileName) {
    startOpening(fileName);
    return finishOpening();
}

void Music::startOpening(const char* fileName) {
    fileName_ = fileName;
    opening_ = std::thread(&Music::check, this, fileName);
}

bool Music::finishOpening() {
    Outcome outcome = Outcome::PENDING;
    {
        std::unique_lock<std::mutex> lock(outcomeMutex_);
        outcomeSet_.wait(lock, [this] { return outcome_ != Outcome::PENDING; });
        outcome = outcome_;
    }
    // Only a ready device is still being closed; otherwise the thread has ended.
    if (outcome != Outcome::READY)
        finishClosing();
    if (outcome == Outcome::MISSING) {
        showError("Could not load %s", fileName_);
        exitProcess(-1);
    }
    if (outcome == Outcome::UNPLAYABLE) {
        showError("Could not init %s", fileName_);
        exitProcess(-1);
    }
    return outcome == Outcome::READY;
}

void Music::check(const char* fileName) {
    const Outcome outcome = checkDeviceAndFile(fileName);
    publish(outcome);
    // An open device plays silence: it is opened again when the music starts.
    // Closing waits for SDL's audio thread; start-up goes on meanwhile.
    if (outcome == Outcome::READY)
        mixer().closeAudio();
#if SDL_VERSION_ATLEAST(2, 0, 16)
    // What SDL keeps for this thread (its error text) goes with it.
    SDL_TLSCleanup();
#endif
}

Music::Outcome Music::checkDeviceAndFile(const char* fileName) {
    // Without the mixer (reported on standard error) the show runs silently, as
    // without a device.
    if (!mixerFunctions())
        return Outcome::NO_DEVICE;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return Outcome::NO_DEVICE;
    // Leaving the subsystem waits for SDL's device hot-plug poll (up to 100 ms):
    // without a device it is left at destruction, not during start-up.
    audioStarted_ = true;
    if (!openDevice())
        return Outcome::NO_DEVICE;
    bytes_ = extractEmbeddedFile(fileName, &size_);
    if (!bytes_)
        return Outcome::MISSING;
    Mix_Music* check = decoderFor(bytes_, size_);
    if (!check)
        return Outcome::UNPLAYABLE;
    mixer().freeMusic(check);
    return Outcome::READY;
}

void Music::publish(Outcome outcome) {
    const std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome_ = outcome;
    outcomeSet_.notify_all();
}

void Music::play() {
    if (!bytes_ || outputOpen_)
        return;
    finishClosing();
    if (!openDevice())
        return;
    outputOpen_ = true;
    Uint16 format = 0;
    int channels = 0;
    mixer().querySpec(&outputRate_, &format, &channels);
    frameBytes_ = SDL_AUDIO_BITSIZE(format) / 8 * channels;
    mixer().setPostMix(countPlayed, this);
    music_ = decoderFor(bytes_, size_);
    if (music_ && mixer().playMusic(music_, PLAY_ONCE) == 0)
        waitForFirstBuffer();
}

void Music::countPlayed(void* music, uint8_t*, int bytes) {
    auto& self = *static_cast<Music*>(music);
    // The mixer holds the device's lock here (asking again is allowed), so the
    // music cannot start or stop while this buffer is counted.
    if (self.frameBytes_ == 0)
        return;
    if (!mixer().playingMusic()) {
        if (self.framesPlayed_ > 0)
            self.ended_.store(true);
        return;
    }
    const auto rate = static_cast<uint64_t>(self.outputRate_);
    const uint64_t playedMs = self.framesPlayed_ * 1000 / rate;
    self.framesPlayed_ += static_cast<uint64_t>(bytes / self.frameBytes_);
    self.bufferMs_.store(static_cast<uint32_t>(self.framesPlayed_ * 1000 / rate - playedMs));
    self.report_.store(uint64_t{milliseconds()} << 32 | static_cast<uint32_t>(playedMs));
}

void Music::waitForFirstBuffer() const {
    const uint32_t since = SDL_GetTicks();
    while (report_.load() == NO_REPORT && SDL_GetTicks() - since < FIRST_BUFFER_WAIT_MS)
        SDL_Delay(1);
}

bool Music::position(uint32_t* tick, uint32_t* playedMs, uint32_t* handedMs) const {
    const uint64_t report = report_.load();
    if (report == NO_REPORT || ended_.load())
        return false;
    *tick = static_cast<uint32_t>(report >> 32);
    *playedMs = static_cast<uint32_t>(report);
    *handedMs = *playedMs + bufferMs_.load();
    return true;
}

void Music::finishClosing() {
    if (opening_.joinable())
        opening_.join();
}

void Music::stop() {
    if (music_)
        mixer().haltMusic();
}
