#include "SyncMeasures.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// The driver writes a mixer buffer at a time, which may reach the file in parts.
constexpr uint64_t BUFFER_BYTES = Music::OUTPUT_BUFFER_FRAMES * CHANNELS * sizeof(int16_t);
// The offsets are summed up over spans of the music this long.
constexpr double SECTION_MS = 30000.0;

struct Offset {
    double musicMs; // the music's position at the start of a written buffer
    double demoMs;  // the demo clock when it was written
    double realMs;  // the real time since the demo clock's start
};

// The first frame whose left channel goes beyond level, from index from.
size_t firstLouder(const std::vector<int16_t>& samples, int level) {
    for (size_t i = 0; i < samples.size(); i += CHANNELS) {
        if (std::abs(samples[i]) > level)
            return i / CHANNELS;
    }
    return samples.size() / CHANNELS;
}

// The mean squared difference between the written audio from frame start on and
// the soundtrack, over count frames from the soundtrack's frame from.
double difference(const std::vector<int16_t>& written, size_t start,
                  const std::vector<int16_t>& soundtrack, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from * CHANNELS; i < (from + count) * CHANNELS; ++i) {
        const double d = double(written[start * CHANNELS + i]) - soundtrack[i];
        sum += d * d;
    }
    return sum / double(count * CHANNELS);
}

// The frame of the written audio where the soundtrack begins: the onsets of the
// two roughly aligned, then the best match within a buffer either way.
std::optional<size_t> findMusic(const std::vector<int16_t>& written,
                                const std::vector<int16_t>& soundtrack, double& rms) {
    constexpr int LOUD = 4096;
    constexpr size_t SPAN = 8192;
    constexpr long SEARCH = 4096;
    const size_t onset = firstLouder(soundtrack, LOUD);
    const size_t heard = firstLouder(written, LOUD);
    const size_t frames = written.size() / CHANNELS;
    if (heard < onset || onset + SPAN > soundtrack.size() / CHANNELS)
        return std::nullopt;
    std::optional<size_t> best;
    double bestDifference = 0;
    for (long shift = -SEARCH; shift <= SEARCH; ++shift) {
        const long start = long(heard - onset) + shift;
        if (start < 0 || size_t(start) + onset + SPAN > frames)
            continue;
        const double d = difference(written, size_t(start), soundtrack, onset, SPAN);
        if (!best || d < bestDifference) {
            best = size_t(start);
            bestDifference = d;
        }
    }
    rms = std::sqrt(bestDifference);
    return best;
}

// The demo time at a moment, from the frames around it.
double demoAt(const Timeline& timeline, uint64_t us) {
    const auto& frames = timeline.frames;
    const auto after = std::upper_bound(frames.begin(), frames.end(), us,
                                        [](uint64_t t, const Reading& r) { return t < r.us; });
    const Reading& a = after == frames.begin() ? frames.front() : *(after - 1);
    const Reading& b = after == frames.end() || after == frames.begin() ? a : *after;
    double demo = double(a.value);
    if (b.us != a.us)
        demo += (double(b.value) - double(a.value)) * double(us - a.us) / double(b.us - a.us);
    else
        demo += (double(us) - double(a.us)) / 1000.0;
    return timeline.firstFrameDemoMs + demo;
}

// One offset for each buffer the driver wrote from the music's start on, timed
// when the file has the whole buffer.
std::vector<Offset> offsets(const Timeline& timeline, size_t musicStart) {
    std::vector<Offset> result;
    const uint64_t clockStartUs =
        timeline.frames.front().us - uint64_t(timeline.firstFrameDemoMs) * 1000;
    uint64_t bufferStart = 0;
    for (const Reading& size : timeline.fileSizes) {
        if (size.value % BUFFER_BYTES != 0)
            continue; // the rest of this buffer comes next
        const size_t frame = bufferStart / (CHANNELS * sizeof(int16_t));
        bufferStart = size.value;
        if (frame < musicStart)
            continue;
        result.push_back({double(frame - musicStart) * 1000.0 / SAMPLE_RATE,
                          demoAt(timeline, size.us),
                          (double(size.us) - double(clockStartUs)) / 1000.0});
    }
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printSection(const std::vector<Offset>& all, size_t from, size_t to) {
    std::vector<double> demo;
    for (size_t i = from; i < to; ++i)
        demo.push_back(all[i].demoMs - all[i].musicMs);
    const auto [low, high] = std::minmax_element(demo.begin(), demo.end());
    const Offset& last = all[to - 1];
    std::printf("| %5.0f–%5.0f s | %6.1f | %6.1f | %6.1f | %8.1f |\n", all[from].musicMs / 1000,
                last.musicMs / 1000, *low, median(demo), *high, last.realMs - last.musicMs);
}

bool writeOffsets(const std::vector<Offset>& all, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "glimmer_sync_bench: cannot write %s\n", path.c_str());
        return false;
    }
    for (const Offset& offset : all)
        std::fprintf(file, "%.2f %.2f %.2f\n", offset.musicMs, offset.demoMs, offset.realMs);
    return std::fclose(file) == 0;
}

} // namespace

uint64_t realMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
}

bool reportOffsets(const Timeline& timeline, const std::vector<int16_t>& soundtrack,
                   const std::string& offsetsPath) {
    double rms = 0;
    const std::optional<size_t> musicStart = findMusic(timeline.written, soundtrack, rms);
    if (!musicStart || timeline.frames.empty()) {
        std::fprintf(stderr, "glimmer_sync_bench: the soundtrack is not in the written audio\n");
        return false;
    }
    const std::vector<Offset> all = offsets(timeline, *musicStart);
    if (all.empty()) {
        std::fprintf(stderr, "glimmer_sync_bench: no buffer of music was written\n");
        return false;
    }
    std::printf("music found at frame %zu of the audio file (rms difference %.1f of 32768)\n",
                *musicStart, rms);
    std::printf("offset at the music's first buffer: %.1f ms (demo %.1f ms, music 0)\n\n",
                all[0].demoMs - all[0].musicMs, all[0].demoMs);
    std::printf("| music | min ms | median ms | max ms | real clock alone ms |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    size_t from = 0;
    for (size_t i = 1; i <= all.size(); ++i) {
        if (i == all.size() ||
            std::floor(all[i].musicMs / SECTION_MS) != std::floor(all[from].musicMs / SECTION_MS)) {
            printSection(all, from, i);
            from = i;
        }
    }
    double worst = 0;
    for (const Offset& offset : all)
        worst = std::max(worst, std::abs(offset.demoMs - offset.musicMs));
    std::printf("\nlargest |offset| over %zu buffers: %.1f ms\n", all.size(), worst);
    return offsetsPath.empty() || writeOffsets(all, offsetsPath);
}
