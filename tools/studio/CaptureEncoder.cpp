#include "studio/CaptureEncoder.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>

CaptureEncoder::CaptureEncoder(Mp4Writer& writer, const DecodedSound& sound, uint32_t fps)
    : writer_(writer), sound_(sound), fps_(fps), thread_([this] { run(); }) {}

CaptureEncoder::~CaptureEncoder() {
    pipe_.stop();
    if (thread_.joinable())
        thread_.join();
}

bool CaptureEncoder::finish() {
    pipe_.close();
    if (thread_.joinable())
        thread_.join();
    return !failed_;
}

void CaptureEncoder::run() {
    pthread_setname_np(pthread_self(), "encoder");
    FramePipe::Buffer rgba;
    while (pipe_.takeFilled(rgba)) {
        const auto start = std::chrono::steady_clock::now();
        const bool encoded = encodeFrame(rgba);
        secondsEncoding_ +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!encoded) {
            failed_ = true;
            pipe_.stop();
            return;
        }
        pipe_.putFree(std::move(rgba));
    }
}

bool CaptureEncoder::encodeFrame(const FramePipe::Buffer& rgba) {
    if (!writer_.addVideoFrame(rgba))
        return false;
    const uint32_t frame = ++framesEncoded_;
    return feedSoundUntil(static_cast<size_t>(uint64_t{frame} * sound_.rate / fps_));
}

bool CaptureEncoder::feedSoundUntil(size_t until) {
    const size_t fromSound = std::min(until, sound_.frames());
    if (soundFed_ < fromSound &&
        !writer_.addAudio(&sound_.samples[soundFed_ * DecodedSound::CHANNELS],
                          fromSound - soundFed_))
        return false;
    soundFed_ = std::max(soundFed_, fromSound);
    if (soundFed_ < until) {
        const std::vector<float> silence((until - soundFed_) * DecodedSound::CHANNELS, 0.0f);
        if (!writer_.addAudio(silence.data(), until - soundFed_))
            return false;
        soundFed_ = until;
    }
    return true;
}
