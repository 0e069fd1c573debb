#include "studio/AudioOutput.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr Uint16 BUFFER_FRAMES = 1024;

} // namespace

AudioOutput::~AudioOutput() {
    if (device_) {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool AudioOutput::open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failure_ = SDL_GetError();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(sound_.rate);
    wanted.format = AUDIO_F32SYS;
    wanted.channels = DecodedSound::CHANNELS;
    wanted.samples = BUFFER_FRAMES;
    wanted.callback = &AudioOutput::fill;
    wanted.userdata = this;
    // SDL converts to whatever the device takes.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (!device_) {
        failure_ = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void AudioOutput::playFrom(uint32_t ms) {
    if (!device_)
        return;
    SDL_LockAudioDevice(device_);
    position_ = static_cast<size_t>(uint64_t{ms} * static_cast<uint64_t>(sound_.rate) / 1000);
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
}

void AudioOutput::pause() {
    if (device_)
        SDL_PauseAudioDevice(device_, 1);
}

void AudioOutput::fill(void* self, Uint8* stream, int length) {
    auto& output = *static_cast<AudioOutput*>(self);
    const size_t wanted = static_cast<size_t>(length) / (sizeof(float) * DecodedSound::CHANNELS);
    const size_t available =
        output.sound_.frames() - std::min(output.position_, output.sound_.frames());
    const size_t taken = std::min(wanted, available);
    const size_t takenBytes = taken * sizeof(float) * DecodedSound::CHANNELS;
    if (taken)
        std::memcpy(stream, &output.sound_.samples[output.position_ * DecodedSound::CHANNELS],
                    takenBytes);
    std::memset(stream + takenBytes, 0, static_cast<size_t>(length) - takenBytes);
    output.position_ += taken;
}
