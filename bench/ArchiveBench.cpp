// Archive benchmark. Prints the packed sizes of every corpus item (glimmer-pack
// -m3 and -m5, gzip -9, xz -9, zlib level 9, libdeflate level 12) and the
// packing speed, then times extraction through the program's reader beside zlib
// inflate and libdeflate's decompressor on the same bytes (both in the zlib
// format, whose checksum they verify as the reader verifies its CRC).
#include "ArchiveWriter.h"
#include "BenchCorpus.h"
#include "archive/ResourceArchive.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

struct Prepared {
    std::string name;
    Bytes original;
    Bytes archive[2]; // -m3, -m5
    uint8_t method[2] = {};
    double packSeconds[2] = {};
    Bytes zlib;
    Bytes libdeflate;
};

// libdeflate's strongest level: its decompressor is timed on what it packs best.
constexpr int LIBDEFLATE_LEVEL = 12;

Bytes archiveOf(const Bytes& data, bool best, uint8_t& method, double& seconds) {
    PackOptions options;
    options.best = best;
    const auto start = std::chrono::steady_clock::now();
    PackedEntry packed = Compressor(options).pack(data);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    method = packed.method;
    ArchiveWriter writer;
    writer.addFile("entry", data, std::move(packed));
    return writer.finish();
}

// Bytes written by an external packer given the data as a file; 0 when it fails.
size_t externalSize(const char* command, const Bytes& data) {
    char path[] = "/tmp/glimmer-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return 0;
    const bool written = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    close(fd);
    size_t size = 0;
    if (written) {
        if (FILE* pipe = popen((std::string(command) + " '" + path + "'").c_str(), "r")) {
            char buffer[65536];
            size_t count;
            while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
                size += count;
            if (pclose(pipe) != 0)
                size = 0;
        }
    }
    unlink(path);
    return size;
}

Bytes zlibLevel9(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

Bytes libdeflateLevel12(const Bytes& data) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(LIBDEFLATE_LEVEL);
    Bytes out(libdeflate_zlib_compress_bound(compressor, data.size()));
    out.resize(
        libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

void extractEntry(benchmark::State& state, const Prepared* item, int level) {
    const Bytes& archive = item->archive[level];
    for (auto _ : state) {
        ResourceArchive view;
        view.data = archive.data();
        view.size = static_cast<uint32_t>(archive.size());
        unsigned char* out = nullptr;
        uint32_t size = 0;
        if (!extractArchiveFile(&out, &size, "entry", view, nullptr))
            state.SkipWithError("extraction failed");
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * item->original.size()));
}

void inflateEntry(benchmark::State& state, const Prepared* item) {
    Bytes out(item->original.size());
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(out.size());
        if (uncompress(out.data(), &size, item->zlib.data(),
                       static_cast<uLong>(item->zlib.size())) != Z_OK)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * item->original.size()));
}

void libdeflateEntry(benchmark::State& state, const Prepared* item) {
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    Bytes out(item->original.size());
    for (auto _ : state) {
        size_t size = 0;
        if (libdeflate_zlib_decompress(decompressor, item->libdeflate.data(),
                                       item->libdeflate.size(), out.data(), out.size(),
                                       &size) != LIBDEFLATE_SUCCESS ||
            size != out.size())
            state.SkipWithError("libdeflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(decompressor);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * item->original.size()));
}

void printSizes(const std::vector<Prepared>& items) {
    std::printf("%-22s %10s %10s %10s %10s %10s %10s %10s   pack MB/s -m3 / -m5\n", "corpus item",
                "bytes", "-m3", "-m5", "gzip -9", "xz -9", "zlib 9", "libdefl 12");
    for (const Prepared& item : items) {
        const double megabytes = item.original.size() / 1e6;
        std::printf("%-22s %10zu %10zu %10zu %10zu %10zu %10zu %10zu   %.2f / %.2f%s\n",
                    item.name.c_str(), item.original.size(), item.archive[0].size(),
                    item.archive[1].size(), externalSize("gzip -9 -c", item.original),
                    externalSize("xz -9 -c", item.original), item.zlib.size(),
                    item.libdeflate.size(), megabytes / item.packSeconds[0],
                    megabytes / item.packSeconds[1], item.method[0] == 0x30 ? "   (stored)" : "");
    }
    std::printf(
        "(-m3 and -m5 are whole archives of one entry: 7 + 13 + 37 + 7 bytes of headers)\n\n");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<Prepared> items;
    for (CorpusItem& entry : loadBenchCorpus(GLIMMER_SOURCE_DIR, GLIMMER_BUILD_DIR)) {
        Prepared item;
        item.name = entry.name;
        item.original = std::move(entry.bytes);
        for (int level = 0; level < 2; ++level)
            item.archive[level] =
                archiveOf(item.original, level == 1, item.method[level], item.packSeconds[level]);
        item.zlib = zlibLevel9(item.original);
        item.libdeflate = libdeflateLevel12(item.original);
        items.push_back(std::move(item));
    }
    printSizes(items);
    for (const Prepared& item : items) {
        benchmark::RegisterBenchmark(("extract -m3/" + item.name).c_str(), extractEntry, &item, 0);
        benchmark::RegisterBenchmark(("extract -m5/" + item.name).c_str(), extractEntry, &item, 1);
        benchmark::RegisterBenchmark(("zlib inflate/" + item.name).c_str(), inflateEntry, &item);
        benchmark::RegisterBenchmark(("libdeflate/" + item.name).c_str(), libdeflateEntry, &item);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
