// Start-up benchmark: the extractions the program makes before the show begins,
// in its order (the script, the soundtrack, then the eleven preloaded
// pictures), from the built show archive build/data.rar. Run by hand:
//   build/glimmer_startup_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// A process pays for its first sequence once; to time that, run single passes
// (--benchmark_min_time=0) in fresh processes.
#include "app/Program.h" // the preloaded pictures
#include "archive/ResourceArchive.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<const char*> startUpFiles() {
    // Loaded by the script's parser and by the player's music, before the preload.
    std::vector<const char*> files = {"data\\script.txt", "data\\set_18.mp3"};
    files.insert(files.end(), PRELOADED_PICTURES.begin(), PRELOADED_PICTURES.end());
    return files;
}

void showStartUp(benchmark::State& state, const std::vector<unsigned char>* archive) {
    const std::vector<const char*> files = startUpFiles();
    for (auto _ : state) {
        for (const char* file : files) {
            ResourceArchive view;
            view.data = archive->data();
            view.size = static_cast<uint32_t>(archive->size());
            unsigned char* bytes = nullptr;
            uint32_t size = 0;
            if (!extractArchiveFile(&bytes, &size, file, view, nullptr)) {
                state.SkipWithError((std::string("cannot extract ") + file).c_str());
                return;
            }
            ArchiveBytes owned(bytes);
            benchmark::DoNotOptimize(owned.get());
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::ifstream in(GLIMMER_BUILD_DIR "/data.rar", std::ios::binary);
    const std::vector<unsigned char> archive{std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>()};
    if (archive.empty()) {
        std::fprintf(stderr, "glimmer_startup_bench: no %s\n", GLIMMER_BUILD_DIR "/data.rar");
        return 1;
    }
    benchmark::RegisterBenchmark("show start-up", showStartUp, &archive)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
