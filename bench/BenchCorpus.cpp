#include "BenchCorpus.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned SAMPLE_RATE = 44100;
constexpr unsigned STAND_IN_SECONDS = 20;
constexpr unsigned STAND_IN_PICTURE_SIZE = 256;

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> filesUnder(const fs::path& dir, const std::vector<std::string>& extensions) {
    std::vector<fs::path> files;
    if (!fs::is_directory(dir))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() &&
            std::find(extensions.begin(), extensions.end(), entry.path().extension().string()) !=
                extensions.end())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The runtime's classic generator, for reproducible noise.
struct Lcg {
    uint32_t state;
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// 16-bit stereo at 44.1 kHz: bass, a chord pad, kick drums and hi-hat noise.
Bytes standInSoundtrack() {
    Lcg noise{1};
    Bytes out;
    const double chord[3] = {220.0, 277.18, 329.63};
    for (unsigned i = 0; i < SAMPLE_RATE * STAND_IN_SECONDS; ++i) {
        const double t = static_cast<double>(i) / SAMPLE_RATE;
        const double beat = std::fmod(t, 0.5);
        const double kick =
            std::sin(2 * M_PI * (50 + 120 * std::exp(-beat * 30)) * beat) * std::exp(-beat * 8);
        double pad = 0;
        for (double frequency : chord)
            pad += std::sin(2 * M_PI * frequency * t) + 0.3 * std::sin(4 * M_PI * frequency * t);
        const double bass = std::sin(2 * M_PI * 55 * t);
        const double hat = std::fmod(t, 0.25) < 0.03 ? (noise.next() / 16384.0 - 1) * 0.2 : 0;
        const double left = 0.35 * kick + 0.08 * pad + 0.25 * bass + hat;
        const double right = 0.35 * kick + 0.1 * pad + 0.2 * bass - hat;
        for (double value : {left, right}) {
            const auto sample = static_cast<int16_t>(std::clamp(value, -1.0, 1.0) * 30000);
            out.push_back(static_cast<unsigned char>(sample & 0xFF));
            out.push_back(static_cast<unsigned char>((sample >> 8) & 0xFF));
        }
    }
    return out;
}

// RGBA pictures: a gradient with rings, a noisy texture and a banner of stripes.
Bytes standInPictures() {
    Lcg noise{7};
    Bytes out;
    const unsigned size = STAND_IN_PICTURE_SIZE;
    for (unsigned picture = 0; picture < 3; ++picture)
        for (unsigned y = 0; y < size; ++y)
            for (unsigned x = 0; x < size; ++x) {
                const double dx = x - size / 2.0;
                const double dy = y - size / 2.0;
                const double ring = 0.5 + 0.5 * std::sin(std::sqrt(dx * dx + dy * dy) / 6);
                unsigned char rgba[4] = {static_cast<unsigned char>(x),
                                         static_cast<unsigned char>(y),
                                         static_cast<unsigned char>(ring * 255), 255};
                if (picture == 1)
                    for (int c = 0; c < 3; ++c)
                        rgba[c] = static_cast<unsigned char>(96 + c * 20 + noise.next() % 32);
                if (picture == 2) {
                    const bool stripe = (x / 8 + y / 32) % 2 == 0;
                    rgba[0] = stripe ? 200 : 30;
                    rgba[1] = stripe ? 160 : 30;
                    rgba[2] = stripe ? 40 : 60;
                    rgba[3] = static_cast<unsigned char>(y < size / 2 ? 255 : 255 - (y - size / 2));
                }
                out.insert(out.end(), rgba, rgba + 4);
            }
    return out;
}

// Raw RGBA pixels of a PNG file, empty when it cannot be read.
Bytes pngPixels(const fs::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGBA;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        pixels.clear();
    png_image_free(&image);
    return pixels;
}

// The soundtrack decoded to 16-bit stereo by sox; empty when that fails.
Bytes decodedSoundtrack(const fs::path& mp3) {
    const std::string command =
        "sox -q '" + mp3.string() + "' -t raw -e signed -b 16 -c 2 -r 44100 - 2>/dev/null";
    Bytes out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        unsigned char buffer[65536];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.insert(out.end(), buffer, buffer + count);
        if (pclose(pipe) != 0)
            out.clear();
    }
    return out;
}

} // namespace

std::vector<CorpusItem> loadBenchCorpus(const std::string& sourceDir, const std::string& buildDir) {
    std::vector<CorpusItem> corpus;
    corpus.push_back({"script", readFile(fs::path(sourceDir) / "content" / "script.txt")});

    const char* contentOverride = std::getenv("GLIMMER_CONTENT_DIR");
    const fs::path content =
        contentOverride ? fs::path(contentOverride) : fs::path(buildDir) / "content";
    Bytes sound;
    const fs::path mp3 = content / "set_18.mp3";
    if (fs::exists(mp3))
        sound = decodedSoundtrack(mp3);
    corpus.push_back(sound.empty() ? CorpusItem{"soundtrack (stand-in)", standInSoundtrack()}
                                   : CorpusItem{"soundtrack", sound});

    Bytes pixels;
    for (const fs::path& png : filesUnder(content / "pictures", {".png"})) {
        const Bytes one = pngPixels(png);
        pixels.insert(pixels.end(), one.begin(), one.end());
    }
    corpus.push_back(pixels.empty() ? CorpusItem{"pictures (stand-in)", standInPictures()}
                                    : CorpusItem{"pictures", pixels});

    Bytes sources;
    for (const char* dir : {"src", "tools", "tests", "bench"})
        for (const fs::path& file : filesUnder(fs::path(sourceDir) / dir, {".cpp", ".h"})) {
            const Bytes one = readFile(file);
            sources.insert(sources.end(), one.begin(), one.end());
        }
    corpus.push_back({"sources", sources});
    return corpus;
}
