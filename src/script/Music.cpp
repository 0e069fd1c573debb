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

} // namespace

Music::~Music() {
    if (music_)
        Mix_FreeMusic(music_);
    if (audioOpen_) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool Music::open(const char* fileName) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(OUTPUT_RATE, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, OUTPUT_BUFFER_SAMPLES) !=
        0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    audioOpen_ = true;

    bytes_ = extractEmbeddedFile(fileName, &size_);
    if (!bytes_) {
        showError("Could not load %s", fileName);
        exitProcess(-1);
    }
    SDL_RWops* source = SDL_RWFromConstMem(bytes_.get(), static_cast<int>(size_));
    music_ = source ? Mix_LoadMUS_RW(source, 1) : nullptr;
    if (!music_) {
        showError("Could not init %s", fileName);
        exitProcess(-1);
    }
    return true;
}

void Music::play() {
    if (music_)
        Mix_PlayMusic(music_, PLAY_ONCE);
}

void Music::stop() {
    if (music_)
        Mix_HaltMusic();
}
