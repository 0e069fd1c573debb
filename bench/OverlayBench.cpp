// The studio's overlay beside the show it is drawn over: the show's own frames
// (from 80 s, the main theme, at 800 x 600), the overlay's text and timeline bar
// drawn in a second context at the same size, and what the overlay works out on
// the processor each frame (the listed lines and the bar's spans) and for a jump
// key (the next event). Offscreen on Mesa; run by hand from build/ (the 3D scenes
// are read from data/): build/glimmer_overlay_bench
#include "studio/EglShowContext.h"
#include "studio/Overlay.h"
#include "studio/ShowRun.h"
#include "studio/ShowSource.h"
#include "studio/TimelineBar.h"

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr uint32_t FROM = 80000;

// The built-in show, stepped to FROM once for every benchmark.
struct Show {
    EglShowContext context{WIDTH, HEIGHT};
    ShowRun run{context, 60};
    EglShowContext overlayContext{WIDTH, HEIGHT};
    std::unique_ptr<Overlay> overlay;
    bool ready = false;

    Show() {
        ShowSource source;
        std::string script;
        if (!source.readScript(script) || !run.restart(script) || !run.seek(FROM) ||
            !overlayContext.renew())
            return;
        overlay = std::make_unique<Overlay>(GLIMMER_OVERLAY_FONT);
        ready = overlay->ready();
    }
    ShowTimeline timeline() const { return ShowTimeline(run.player().entries(), run.fps()); }
};

// The shared show, or null (the benchmark marked as failed) when it cannot be had.
Show* readyShow(benchmark::State& state) {
    static Show shared;
    if (shared.ready)
        return &shared;
    state.SkipWithError("no show or no context");
    return nullptr;
}

void BM_ShowFrame(benchmark::State& state) {
    Show* s = readyShow(state);
    if (!s)
        return;
    s->context.makeCurrent();
    for (auto _ : state) {
        s->run.drawNextFrame();
        glFinish();
    }
}
BENCHMARK(BM_ShowFrame)->Iterations(300)->Unit(benchmark::kMillisecond);

void BM_OverlayDraw(benchmark::State& state) {
    Show* s = readyShow(state);
    if (!s)
        return;
    s->overlayContext.makeCurrent();
    const ShowTimeline timeline = s->timeline();
    for (auto _ : state) {
        std::vector<std::string> lines{"time", "frame time"};
        for (const std::string& line : timeline.describe(s->run.time(), 87))
            lines.push_back(line);
        s->overlay->draw(lines, WIDTH, HEIGHT);
        TimelineBar(WIDTH, HEIGHT, timeline.spans()).draw(s->run.time());
        glFinish();
    }
}
BENCHMARK(BM_OverlayDraw)->Unit(benchmark::kMillisecond);

void BM_OverlayWorkOut(benchmark::State& state) {
    Show* s = readyShow(state);
    if (!s)
        return;
    const ShowTimeline timeline = s->timeline();
    for (auto _ : state) {
        benchmark::DoNotOptimize(timeline.describe(s->run.time(), 87));
        benchmark::DoNotOptimize(timeline.spans());
    }
}
BENCHMARK(BM_OverlayWorkOut)->Unit(benchmark::kMicrosecond);

void BM_NextEvent(benchmark::State& state) {
    Show* s = readyShow(state);
    if (!s)
        return;
    const ShowTimeline timeline = s->timeline();
    uint32_t at = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(timeline.eventAfter(s->run.time(), at));
}
BENCHMARK(BM_NextEvent)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
