// Start-up benchmark: the extractions the program makes before the show begins,
// in its order, from the built show archive build/data.rar: the script; the
// pictures the layers load as they are set up (the 3DS scene's materials, and
// the environment cube's six faces, again for every cube a layer builds); the
// soundtrack; then the preloaded pictures that the layers have not already put
// in the texture cache. (The order was read from the program's own extractions;
// a new script changes it.) Run by hand:
//   build/glimmer_startup_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// A process pays for its first sequence once; to time that, run single passes
// (--benchmark_min_time=0) in fresh processes.
#include "app/Program.h" // the preloaded pictures
#include "archive/ResourceArchive.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void addCubeFaces(std::vector<const char*>& files) {
    for (const char* face : {"data\\lava_negx.png", "data\\lava_posx.png", "data\\lava_negy.png",
                             "data\\lava_posy.png", "data\\lava_negz.png", "data\\lava_posz.png"})
        files.push_back(face);
}

std::vector<const char*> startUpFiles() {
    std::vector<const char*> files = {"data\\script.txt"};
    addCubeFaces(files);
    files.insert(files.end(), {"data\\donut.png", "data\\lava_negz.png"});
    addCubeFaces(files);
    files.insert(files.end(),
                 {"data\\3dunkelr.png", "data\\2dunkelr.png", "data\\schmettalyng.png"});
    for (int cube = 0; cube < 3; ++cube)
        addCubeFaces(files);
    files.push_back("data\\set_18.mp3");
    for (const char* picture : PRELOADED_PICTURES)
        if (std::none_of(files.begin(), files.end(),
                         [&](const char* file) { return std::strcmp(file, picture) == 0; }))
            files.push_back(picture);
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
