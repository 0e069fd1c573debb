#include "studio/CaptureEncoder.h"
#include "studio/Commands.h"
#include "studio/EglShowContext.h"
#include "studio/FixedStep.h"
#include "studio/Mp4Writer.h"
#include "studio/ProgressBar.h"
#include "studio/Soundtrack.h"
#include "studio/ThreadTimes.h"

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

constexpr int DEFAULT_WIDTH = 1920;
constexpr int DEFAULT_HEIGHT = 1080;
// The encoder unless told otherwise: superfast's cheaper analysis with
// veryfast's look-ahead, which spends the bits where they last. On the show at
// 1080p it takes an eighth less time than veryfast for a file a quarter larger
// at the same quality (README).
constexpr const char* DEFAULT_PRESET = "superfast";
constexpr const char* DEFAULT_X264_OPTIONS = "rc-lookahead=10:mbtree=1";

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C (or a polite kill) ends the capture between two frames, and the file is
// finished with the frames drawn so far. A second one ends the process at once
// (the file then plays up to its last fragment).
class InterruptCatcher {
public:
    InterruptCatcher() {
        interrupted = 0;
        previousInt_ = std::signal(SIGINT, catchInterrupt);
        previousTerm_ = std::signal(SIGTERM, catchInterrupt);
    }
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }

private:
    static void catchInterrupt(int number) {
        interrupted = 1;
        std::signal(number, SIG_DFL);
    }

    void (*previousInt_)(int);
    void (*previousTerm_)(int);
};

// Where a capture's time goes, frame by frame: on the drawing thread the show
// drawn (the player's step and the rasteriser's work), the picture read back and
// the wait for the encoder to take it; on the encoding thread the frame converted
// and encoded (the encoder's own threads included as far as it waits for them).
// Then the processor time of each group of threads and how many cores were kept
// busy, taken when the last frame is drawn.
class StageClock {
public:
    enum Stage { DRAW, READ_BACK, WAIT, STAGES };

    template <typename Work>
    bool time(Stage stage, Work work) {
        const auto start = std::chrono::steady_clock::now();
        const bool done = work();
        seconds_[stage] += secondsSince(start);
        return done;
    }

    // The threads' time since the clock was made (the show's loading left out).
    void takeThreadTimes() {
        threads_ = threadSeconds();
        for (const auto& [name, seconds] : threadsAtStart_)
            threads_[name] -= seconds;
        wallSeconds_ = secondsSince(start_);
    }

    void report(uint32_t frames, double secondsEncoding) const {
        const double perFrame = frames ? 1000.0 / frames : 0.0;
        std::fprintf(stderr,
                     "per frame: drawing %.2f ms, reading back %.2f ms, waiting for the encoder "
                     "%.2f ms; encoding %.2f ms (its own thread)\n",
                     seconds_[DRAW] * perFrame, seconds_[READ_BACK] * perFrame,
                     seconds_[WAIT] * perFrame, secondsEncoding * perFrame);
        std::string threads;
        double busy = 0;
        for (const auto& [name, seconds] : threads_) {
            if (seconds * perFrame < 0.01)
                continue;
            char text[64];
            std::snprintf(text, sizeof text, "%s%s %.2f ms", threads.empty() ? "" : ", ",
                          name.c_str(), seconds * perFrame);
            threads += text;
            busy += seconds;
        }
        std::fprintf(stderr, "processor time per frame: %s; %.2f cores busy\n", threads.c_str(),
                     wallSeconds_ > 0 ? busy / wallSeconds_ : 0.0);
    }

private:
    static double secondsSince(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::array<double, STAGES> seconds_{};
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::map<std::string, double> threadsAtStart_ = threadSeconds();
    std::map<std::string, double> threads_;
    double wallSeconds_ = 0;
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
    capture.video.preset = options.preset.empty() ? DEFAULT_PRESET : options.preset;
    if (options.preset.empty())
        capture.video.x264Options = DEFAULT_X264_OPTIONS;
    capture.rect = pictureRect(capture.video.width, capture.video.height);
    capture.frames = fixedstep::framesBefore(options.length, options.fps);
    return capture;
}

enum class Outcome { Done, Interrupted, ShowStopped, EncoderFailed };

// Every frame drawn and handed to the encoder, until the last, an interruption
// or a failure (the show's is reported, the encoder's is the writer's).
Outcome drawFrames(const Capture& capture, ShowRun& run, CaptureEncoder& encoder) {
    InterruptCatcher catcher;
    ProgressBar progress(capture.frames, "frames");
    StageClock clock;
    FramePipe::Buffer rgba;
    for (uint32_t frame = 0; frame < capture.frames; ++frame) {
        if (interrupted)
            return Outcome::Interrupted;
        clock.time(StageClock::DRAW, [&] {
            run.drawNextFrame();
            glFinish();
            return true;
        });
        if (showStopped())
            return Outcome::ShowStopped;
        if (!clock.time(StageClock::WAIT, [&] { return encoder.takeBuffer(rgba); }))
            return Outcome::EncoderFailed;
        clock.time(StageClock::READ_BACK, [&] {
            run.context().framebuffer().readPixels(rgba);
            return true;
        });
        encoder.encode(std::move(rgba));
        progress.update(frame + 1);
    }
    clock.takeThreadTimes();
    const bool encoded = encoder.finish();
    progress.finish();
    clock.report(capture.frames, encoder.secondsEncoding());
    return encoded ? Outcome::Done : Outcome::EncoderFailed;
}

// Says what became of the file after a failure.
int failCapture(const std::string& failure, Mp4Writer& writer, const std::string& path) {
    const bool kept = writer.abandon();
    return fail(failure + (kept ? "; " + path + " keeps the part written before, which plays"
                                : "; no file left"));
}

// Finishes the file with the frames drawn before an interruption.
int finishInterrupted(CaptureEncoder& encoder, uint32_t fps, Mp4Writer& writer,
                      const std::string& path) {
    if (!encoder.finish() || !writer.finish())
        return failCapture("interrupted, and then " + writer.failure(), writer, path);
    const uint32_t frames = encoder.framesEncoded();
    return fail("interrupted: " + path + " holds the first " + std::to_string(frames) +
                " frames (" + minutesAndSeconds(static_cast<double>(frames) / fps) + ")");
}

} // namespace

int runCapture(const StudioOptions& options, ShowSource& source) {
    const Capture capture = planCapture(options);
    if (capture.video.width % 2 || capture.video.height % 2)
        return fail("cannot capture at " + std::to_string(capture.video.width) + "x" +
                    std::to_string(capture.video.height) +
                    ": a video frame needs an even width and height");
    EglShowContext context(capture.rect.width, capture.rect.height);
    ShowRun run(context, capture.video.fps);
    if (!startShow(source, run))
        return 1;
    DecodedSound sound;
    std::string failure;
    if (!loadSoundtrack(sound, failure))
        return fail(failure);

    Mp4Writer writer;
    if (!writer.open(options.output, capture.video, capture.rect, sound.rate))
        return failCapture(writer.failure(), writer, options.output);
    CaptureEncoder encoder(writer, sound, capture.video.fps);
    const Outcome outcome = drawFrames(capture, run, encoder);
    if (outcome == Outcome::Interrupted)
        return finishInterrupted(encoder, capture.video.fps, writer, options.output);
    encoder.finish(); // the writer is this thread's again
    if (outcome == Outcome::ShowStopped)
        return failCapture("the capture stopped with the show", writer, options.output);
    if (outcome == Outcome::EncoderFailed || !writer.finish())
        return failCapture(writer.failure(), writer, options.output);
    return 0;
}
