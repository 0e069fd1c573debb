// SDL_mixer, loaded by the program when the music first needs it rather than by
// the loader before main: with the codecs it links it is some two dozen
// libraries, a third of all the program needs, and loading them came before
// anything else. The program starts loading it ahead (see LibraryWarmUp) once
// its script is read, while the script's layers are made.
#pragma once

#include <SDL_mixer.h>

// The library's name, as the loader looks it up (the program's run path first).
constexpr const char* MIXER_LIBRARY = "libSDL2_mixer-2.0.so.0";

// The mixer's functions the music calls; loaded is false when the library or
// one of them could not be had, and then every function is null.
struct MixerFunctions {
    bool loaded = false;
    decltype(&::Mix_OpenAudio) openAudio = nullptr;
    decltype(&::Mix_CloseAudio) closeAudio = nullptr;
    decltype(&::Mix_QuerySpec) querySpec = nullptr;
    decltype(&::Mix_LoadMUS_RW) loadMusic = nullptr;
    decltype(&::Mix_FreeMusic) freeMusic = nullptr;
    decltype(&::Mix_PlayMusic) playMusic = nullptr;
    decltype(&::Mix_HaltMusic) haltMusic = nullptr;
    decltype(&::Mix_PlayingMusic) playingMusic = nullptr;
    decltype(&::Mix_SetPostMix) setPostMix = nullptr;
};

// Loads the library and takes its functions; what failed is reported on
// standard error (the show then runs without its music).
MixerFunctions loadMixerFunctions(const char* library);

// The functions of MIXER_LIBRARY, loaded on the first call from whichever thread
// makes it; null when they could not be had.
const MixerFunctions* mixerFunctions();
