#include "script/MixerLibrary.h"

#include <dlfcn.h>

#include <cstdio>

namespace {

template <typename Function>
bool take(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

} // namespace

MixerFunctions loadMixerFunctions(const char* library) {
    MixerFunctions mixer;
    void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (handle) {
        mixer.loaded = take(handle, "Mix_OpenAudio", mixer.openAudio) &&
                       take(handle, "Mix_CloseAudio", mixer.closeAudio) &&
                       take(handle, "Mix_QuerySpec", mixer.querySpec) &&
                       take(handle, "Mix_LoadMUS_RW", mixer.loadMusic) &&
                       take(handle, "Mix_FreeMusic", mixer.freeMusic) &&
                       take(handle, "Mix_PlayMusic", mixer.playMusic) &&
                       take(handle, "Mix_HaltMusic", mixer.haltMusic) &&
                       take(handle, "Mix_PlayingMusic", mixer.playingMusic) &&
                       take(handle, "Mix_SetPostMix", mixer.setPostMix);
    }
    if (mixer.loaded)
        return mixer;
    std::fprintf(stderr, "Warning: the music cannot be played without %s: %s\n", library,
                 dlerror());
    if (handle)
        dlclose(handle);
    return MixerFunctions();
}

const MixerFunctions* mixerFunctions() {
    // Loaded once for the whole process and kept: the music's threads use it.
    static const MixerFunctions functions = loadMixerFunctions(MIXER_LIBRARY);
    return functions.loaded ? &functions : nullptr;
}
