// Seek benchmark: the studio's seeks through the show built into the program, at
// 800 × 600 offscreen, as play mode makes them: each from where the last one left
// the run (a seek back starts the show afresh). Random times over the whole show,
// the same ones for the same seed; each seek's wall time and the process's
// processor time (all threads, the rasteriser's included), then the median and
// the worst of each.
//
//   glimmer_seek_bench [--seeks N] [--seed S] [--every-frame]
//
// --every-frame steps every frame on the way through the layers' render (how the
// studio stepped before frames could be advanced), for a figure side by side.
// Exit status 0 after all seeks, 1 when the show cannot be started or a seek
// fails, 2 on bad usage.
#include "studio/EglShowContext.h"
#include "studio/FixedStep.h"
#include "studio/ShowRun.h"
#include "studio/ShowSource.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t RATE = 60;

struct Options {
    int seeks = 20;
    unsigned seed = 1;
    ShowRun::Stepping stepping = ShowRun::Stepping::ADVANCE_EARLY_FRAMES;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--seeks") == 0 && hasValue)
            options.seeks = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--seed") == 0 && hasValue)
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (std::strcmp(argv[i], "--every-frame") == 0)
            options.stepping = ShowRun::Stepping::RENDER_EVERY_FRAME;
        else
            return false;
    }
    return options.seeks > 0;
}

double processorMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double wallMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The median (the mean of the middle two for an even count) and the largest.
void printSummary(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    std::printf("%s: median %.1f ms, worst %.1f ms\n", what, median, values.back());
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: glimmer_seek_bench [--seeks N] [--seed S] [--every-frame]\n");
        return 2;
    }
    ShowSource source;
    std::string script;
    if (!source.readScript(script)) {
        std::fprintf(stderr, "glimmer_seek_bench: %s\n", source.failure().c_str());
        return 1;
    }
    EglShowContext context(800, 600);
    ShowRun run(context, RATE, options.stepping);
    if (!run.restart(script)) {
        std::fprintf(stderr, "glimmer_seek_bench: %s\n", run.failure().c_str());
        return 1;
    }
    std::mt19937 random(options.seed);
    std::uniform_int_distribution<uint32_t> frames(
        0, fixedstep::frameAtOrBefore(fixedstep::SHOW_LENGTH_MS, RATE));
    std::vector<double> walls;
    std::vector<double> processors;
    for (int i = 0; i < options.seeks; ++i) {
        const uint32_t from = run.time();
        const uint32_t to = fixedstep::frameTime(frames(random), RATE);
        const double wallStart = wallMs();
        const double processorStart = processorMs();
        if (!run.seek(to)) {
            std::fprintf(stderr, "glimmer_seek_bench: %s\n", run.failure().c_str());
            return 1;
        }
        glFinish();
        walls.push_back(wallMs() - wallStart);
        processors.push_back(processorMs() - processorStart);
        std::printf("%6u -> %6u ms: %7.1f ms wall, %7.1f ms processor\n", from, to, walls.back(),
                    processors.back());
    }
    printSummary("wall", walls);
    printSummary("processor", processors);
    return 0;
}
