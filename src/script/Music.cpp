#include "script/Music.h"

#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/showError.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace {

constexpr int OUTPUT_RATE = 44100;
constexpr int OUTPUT_CHANNELS = 2;
constexpr int OUTPUT_BUFFER_SAMPLES = 2048;
constexpr int PLAY_ONCE = 0;

bool openDevice() {
    return Mix_OpenAudio(OUTPUT_RATE, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, OUTPUT_BUFFER_SAMPLES) ==
           0;
}

void leaveAudio() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// A decoder over the bytes, which must outlive it; null when they cannot be played.
// Needs the output open.
Mix_Music* decoderFor(const ArchiveBytes& bytes, uint32_t size) {
    SDL_RWops* source = SDL_RWFromConstMem(bytes.get(), static_cast<int>(size));
    return source ? Mix_LoadMUS_RW(source, 1) : nullptr;
}

} // namespace

Music::~Music() {
    finishClosing();
    if (music_)
        Mix_FreeMusic(music_);
    if (outputOpen_)
        Mix_CloseAudio();
    if (audioStarted_)
        leaveAudio();
}

bool Music::open(const char* fileName) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (!openDevice()) {
        closeMeanwhile(leaveAudio);
        return false;
    }
    audioStarted_ = true;
    bytes_ = extractEmbeddedFile(fileName, &size_);
    if (!bytes_) {
        showError("Could not load %s", fileName);
        exitProcess(-1);
    }
    Mix_Music* check = decoderFor(bytes_, size_);
    if (!check) {
        showError("Could not init %s", fileName);
        exitProcess(-1);
    }
    Mix_FreeMusic(check);
    // An open device plays silence: it is opened again when the music starts.
    closeMeanwhile(Mix_CloseAudio);
    return true;
}

void Music::play() {
    if (!bytes_ || outputOpen_)
        return;
    finishClosing();
    if (!openDevice())
        return;
    outputOpen_ = true;
    music_ = decoderFor(bytes_, size_);
    if (music_)
        Mix_PlayMusic(music_, PLAY_ONCE);
}

void Music::closeMeanwhile(void (*close)()) {
    closing_ = std::thread(close);
}

void Music::finishClosing() {
    if (closing_.joinable())
        closing_.join();
}

void Music::stop() {
    if (music_)
        Mix_HaltMusic();
}
