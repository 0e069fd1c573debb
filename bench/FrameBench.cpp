// Frame benchmark: plays a show offscreen (800 × 600 unless --size says otherwise,
// the whole area drawn as the program's window of that size draws it) on a
// fixed-step clock (60 frames per second of demo time, however long a frame
// takes) and reports the wall time per frame: for each script block the time
// spent in its layer (events and render), and for each second of demo time the
// whole frame. Each reading is taken after glFinish, so it includes the
// rasteriser's work.
//
//   glimmer_frame_bench [--from MS] [--to MS] [--size WxH] [--frames FILE]
//                       [--whole-frames] [SCRIPT]
//
// Without SCRIPT it plays the embedded show's own script; with it, the script file
// (pictures still come from the embedded archive), so one layer can be measured
// alone. --from and --to limit the demo time played (default 0 to 177000); a block
// already running at --from starts its clock there. --frames writes every frame's
// demo time and whole-frame time (ms) to FILE, one frame a line, for summaries
// over other spans (bench/performance-report.sh). --size WxH: the drawn area
// (1920x1080: the program's full-screen window on such a display).
// --whole-frames: one reading a frame, after all its layers, as the program
// ends a frame with a single flush; no per-block figures. A reading after every
// layer makes the rasteriser finish each layer over the whole picture before
// the next begins, where one flush lets it draw all layers tile by tile, so
// layer-by-layer frames take longer than the program's. Exit status 0
// after a full run, 1 when the context, the script or a picture cannot be had or
// a layer asks the show to end, 2 on bad usage.
#include "app/GlState.h"
#include "app/Program.h"
#include "platform/Platform.h"
#include "script/DemoPlayer.h"
#include "script/DemoScript.h"
#include "support/OffscreenContext.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t FRAMES_PER_SECOND = 60;

struct Options {
    uint32_t from = 0;
    uint32_t to = DemoPlayer::SHOW_LENGTH_MS;
    int width = OffscreenContext::WIDTH;
    int height = OffscreenContext::HEIGHT;
    std::string scriptPath; // empty: the embedded script
    std::string framesPath; // empty: no per-frame file
    bool wholeFrames = false;
};

// Milliseconds per frame, in the order measured.
using Samples = std::vector<double>;

struct Measurements {
    std::vector<Samples> perEntry; // in rendering order
    std::map<uint32_t, Samples> perSecond;
    std::vector<std::pair<uint32_t, double>> frames; // demo time, whole frame
};

bool parseUnsigned(const char* text, uint32_t& out) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value > 0xFFFFFFFFul)
        return false;
    out = static_cast<uint32_t>(value);
    return true;
}

// WxH, both from 1 to 16384.
bool parseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    uint32_t w = 0;
    uint32_t h = 0;
    if (x == std::string::npos || !parseUnsigned(text.substr(0, x).c_str(), w) ||
        !parseUnsigned(text.substr(x + 1).c_str(), h) || w < 1 || h < 1 || w > 16384 || h > 16384)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--from" || argument == "--to") && i + 1 < argc) {
            if (!parseUnsigned(argv[++i], argument == "--from" ? options.from : options.to))
                return false;
        } else if (argument == "--size" && i + 1 < argc) {
            if (!parseSize(argv[++i], options.width, options.height))
                return false;
        } else if (argument == "--frames" && i + 1 < argc) {
            options.framesPath = argv[++i];
        } else if (argument == "--whole-frames") {
            options.wholeFrames = true;
        } else if (argument.rfind("--", 0) != 0 && options.scriptPath.empty()) {
            options.scriptPath = argument;
        } else {
            return false;
        }
    }
    return options.from <= options.to;
}

bool loadScript(const Options& options, DemoScript& script) {
    if (options.scriptPath.empty()) {
        if (script.load(SCRIPT_FILE) == 0)
            return true;
        std::fprintf(stderr, "glimmer_frame_bench: no %s in the embedded archive\n", SCRIPT_FILE);
        return false;
    }
    std::ifstream in(options.scriptPath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "glimmer_frame_bench: cannot read %s\n", options.scriptPath.c_str());
        return false;
    }
    script.parse(text);
    return true;
}

double nowMs() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// A reading once the GL has finished everything asked of it so far.
double finishedReading() {
    glFinish();
    return nowMs();
}

// One frame at demo time t, as the player renders it, with a reading around
// each entry, or only around the whole frame.
void measureFrame(const DemoPlayer& player, uint32_t t, bool wholeFrame,
                  Measurements& measurements) {
    const double frameStart = finishedReading();
    double previous = frameStart;
    glLoadIdentity();
    for (size_t i = 0; i < player.entries().size(); ++i) {
        LayerEntry& entry = *player.entries()[i];
        entry.step(t);
        if (wholeFrame)
            continue;
        const double reading = finishedReading();
        if (entry.active())
            measurements.perEntry[i].push_back(reading - previous);
        previous = reading;
    }
    if (wholeFrame)
        previous = finishedReading();
    measurements.perSecond[t / 1000].push_back(previous - frameStart);
    measurements.frames.emplace_back(t, previous - frameStart);
}

// False, with the reason on standard error, when a layer asked the show to end.
bool noQuitRequested(uint32_t t) {
    int exitCode = 0;
    if (!takeQuitMessage(&exitCode))
        return true;
    std::fprintf(stderr, "glimmer_frame_bench: a layer ended the show at %u ms (exit code %d)\n", t,
                 exitCode);
    return false;
}

bool play(const DemoPlayer& player, const Options& options, Measurements& measurements) {
    measurements.perEntry.resize(player.entries().size());
    const uint64_t firstFrame = (uint64_t{options.from} * FRAMES_PER_SECOND + 999) / 1000;
    for (uint64_t frame = firstFrame;; ++frame) {
        const auto t = static_cast<uint32_t>(frame * 1000 / FRAMES_PER_SECOND);
        if (t > options.to)
            return true;
        measureFrame(player, t, options.wholeFrames, measurements);
        if (!noQuitRequested(t))
            return false;
    }
}

// The nearest-rank percentile of sorted samples.
double percentile(const Samples& sorted, double fraction) {
    const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}

double median(const Samples& sorted) {
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

void printRow(const std::string& label, Samples samples) {
    if (samples.empty()) {
        std::printf("  %-28s %7d  %9s  %9s\n", label.c_str(), 0, "-", "-");
        return;
    }
    std::sort(samples.begin(), samples.end());
    std::printf("  %-28s %7zu  %9.3f  %9.3f\n", label.c_str(), samples.size(), median(samples),
                percentile(samples, 0.99));
}

void report(const DemoPlayer& player, const Options& options, const Measurements& measurements) {
    std::printf("glimmer_frame_bench: %s, %d x %d, %u frames per demo second, %u to %u ms\n",
                options.scriptPath.empty() ? "embedded script" : options.scriptPath.c_str(),
                options.width, options.height, FRAMES_PER_SECOND, options.from, options.to);
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    if (options.wholeFrames) {
        std::printf("\nper block: not measured (--whole-frames)\n");
    } else {
        std::printf("\nper block: time in its layer per active frame, ms\n");
        std::printf("  %-28s %7s  %9s  %9s\n", "block", "frames", "median", "p99");
        for (size_t i = 0; i < player.entries().size(); ++i)
            printRow(player.entries()[i]->name(), measurements.perEntry[i]);
    }
    std::printf("\nper second of demo time: whole frame, ms\n");
    std::printf("  %-28s %7s  %9s  %9s\n", "second", "frames", "median", "p99");
    for (const auto& [second, samples] : measurements.perSecond)
        printRow(std::to_string(second), samples);
}

// False, with the reason on standard error, when the file cannot be written whole.
bool writeFrames(const std::string& path, const Measurements& measurements) {
    std::ofstream out(path);
    for (const auto& [t, ms] : measurements.frames)
        out << t << ' ' << ms << '\n';
    out.close();
    if (out)
        return true;
    std::fprintf(stderr, "glimmer_frame_bench: cannot write %s\n", path.c_str());
    return false;
}

// Boxes would wait for a click; the benchmark reports their text instead.
int printMessageBox(const std::string& text, const std::string& caption, int) {
    std::fprintf(stderr, "glimmer_frame_bench: [%s] %s\n", caption.c_str(), text.c_str());
    return IDNO;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(
            stderr, "usage: glimmer_frame_bench [--from MS] [--to MS] [--size WxH] [--frames FILE] "
                    "[--whole-frames] [SCRIPT]\n");
        return 2;
    }
    setMessageBoxForTesting(printMessageBox);
    // Drawing only: without an audio device the player opens no music.
    setenv("SDL_AUDIODRIVER", "none", 1);

    OffscreenContext context(options.width, options.height);
    if (!context.ready()) {
        std::fprintf(stderr, "glimmer_frame_bench: %s\n", context.failure().c_str());
        return 1;
    }
    setDefaultGlState();
    setLightingState();
    setClientView(options.width, options.height);

    DemoScript script;
    if (!loadScript(options, script))
        return 1;
    DemoPlayer player(script);
    player.initialise();
    if (!preloadPictures()) {
        std::fprintf(stderr, "glimmer_frame_bench: could not load all texture maps\n");
        return 1;
    }
    // A layer whose loading failed has asked for the end already.
    Measurements measurements;
    bool completed = noQuitRequested(0) && play(player, options, measurements);
    if (completed)
        report(player, options, measurements);
    if (completed && !options.framesPath.empty())
        completed = writeFrames(options.framesPath, measurements);
    TextureCache::releaseAll();
    return completed ? 0 : 1;
}
