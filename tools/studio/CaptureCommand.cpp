#include "studio/Commands.h"
#include "studio/EglShowContext.h"
#include "studio/FixedStep.h"
#include "studio/Mp4Writer.h"
#include "studio/PendingFile.h"
#include "studio/ProgressBar.h"
#include "studio/Soundtrack.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

constexpr int DEFAULT_WIDTH = 1920;
constexpr int DEFAULT_HEIGHT = 1080;

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C (or a polite kill) ends the capture between two frames, cleanly.
class InterruptCatcher {
public:
    InterruptCatcher() {
        interrupted = 0;
        previousInt_ = std::signal(SIGINT, [](int) { interrupted = 1; });
        previousTerm_ = std::signal(SIGTERM, [](int) { interrupted = 1; });
    }
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }

private:
    void (*previousInt_)(int);
    void (*previousTerm_)(int);
};

// Feeds the soundtrack to the writer up to sample frame `until`, silence past its
// end.
class SoundFeed {
public:
    SoundFeed(const DecodedSound& sound, Mp4Writer& writer) : sound_(sound), writer_(writer) {}

    bool feedUntil(size_t until) {
        const size_t fromSound = std::min(until, sound_.frames());
        if (fed_ < fromSound &&
            !writer_.addAudio(&sound_.samples[fed_ * DecodedSound::CHANNELS], fromSound - fed_))
            return false;
        fed_ = std::max(fed_, fromSound);
        if (fed_ < until) {
            const std::vector<float> silence((until - fed_) * DecodedSound::CHANNELS, 0.0f);
            if (!writer_.addAudio(silence.data(), until - fed_))
                return false;
            fed_ = until;
        }
        return true;
    }

private:
    const DecodedSound& sound_;
    Mp4Writer& writer_;
    size_t fed_ = 0;
};

// Where a capture's time goes, frame by frame: the show drawn (the player's step
// and the rasteriser's work), the picture read back, and the frame converted and
// handed to the encoders (which run threads of their own).
class StageClock {
public:
    enum Stage { DRAW, READ_BACK, ENCODE, STAGES };

    template <typename Work>
    bool time(Stage stage, Work work) {
        const auto start = std::chrono::steady_clock::now();
        const bool done = work();
        seconds_[stage] +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return done;
    }

    void report(uint32_t frames) const {
        const double perFrame = frames ? 1000.0 / frames : 0.0;
        std::fprintf(stderr, "per frame: drawing %.2f ms, reading back %.2f ms, encoding %.2f ms\n",
                     seconds_[DRAW] * perFrame, seconds_[READ_BACK] * perFrame,
                     seconds_[ENCODE] * perFrame);
    }

private:
    std::array<double, STAGES> seconds_{};
};

struct Capture {
    VideoSettings video;
    PictureRect rect;
    uint32_t frames = 0;
};

Capture planCapture(const StudioOptions& options) {
    Capture capture;
    capture.video.width = options.width ? options.width : DEFAULT_WIDTH;
    capture.video.height = options.height ? options.height : DEFAULT_HEIGHT;
    capture.video.fps = options.fps;
    capture.video.crf = options.crf;
    capture.video.preset = options.preset;
    capture.rect = pictureRect(capture.video.width, capture.video.height);
    capture.frames = fixedstep::framesBefore(options.length, options.fps);
    return capture;
}

// Every frame, drawn and encoded with the sound up to its end.
int encodeFrames(const Capture& capture, ShowRun& run, const DecodedSound& sound,
                 Mp4Writer& writer) {
    InterruptCatcher catcher;
    SoundFeed feed(sound, writer);
    ProgressBar progress(capture.frames, "frames");
    StageClock clock;
    std::vector<uint8_t> rgba;
    for (uint32_t frame = 0; frame < capture.frames; ++frame) {
        if (interrupted)
            return fail("interrupted");
        clock.time(StageClock::DRAW, [&] {
            run.drawNextFrame();
            glFinish();
            return true;
        });
        if (showStopped())
            return 1;
        clock.time(StageClock::READ_BACK, [&] {
            run.context().framebuffer().readPixels(rgba);
            return true;
        });
        const size_t soundUntil =
            static_cast<size_t>(uint64_t{frame + 1} * sound.rate / capture.video.fps);
        if (!clock.time(StageClock::ENCODE,
                        [&] { return writer.addVideoFrame(rgba) && feed.feedUntil(soundUntil); }))
            return fail(writer.failure());
        progress.update(frame + 1);
    }
    progress.finish();
    clock.report(capture.frames);
    return 0;
}

} // namespace

int runCapture(const StudioOptions& options, ShowSource& source) {
    const Capture capture = planCapture(options);
    EglShowContext context(capture.rect.width, capture.rect.height);
    ShowRun run(context, capture.video.fps);
    if (!startShow(source, run))
        return 1;
    DecodedSound sound;
    std::string failure;
    if (!loadSoundtrack(sound, failure))
        return fail(failure);

    PendingFile file(options.output);
    Mp4Writer writer;
    if (!writer.open(file.temporaryPath(), capture.video, capture.rect, sound.rate))
        return fail(writer.failure());
    if (const int status = encodeFrames(capture, run, sound, writer))
        return status;
    if (!writer.finish())
        return fail(writer.failure());
    if (!file.commit())
        return fail(file.failure());
    return 0;
}
