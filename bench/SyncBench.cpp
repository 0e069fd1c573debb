// Sync benchmark: how far the picture's clock is from the music a viewer hears.
// It plays the show as the program does (the real clock, no frame pacing, drawn
// offscreen at 800 × 600) with the music going to SDL's disk audio driver, which
// writes the output to a file in real time. A thread watches the file grow; each
// time the driver writes a buffer, that buffer starts to sound. Afterwards the
// music is found in the file by matching it against the soundtrack decoded by the
// same decoder (libmpg123), and for every buffer the demo time at the moment it
// was written is compared with the music's position at its start.
//
//   glimmer_sync_bench [--pause MS] [--length MS] [--offsets FILE]
//
// --pause waits between set-up and the first frame (the time the start-up
// question is on the screen; 0, the default, is the hardest case: the device is
// still being closed after its check). --length ends the run early (default the
// whole show); --offsets writes every buffer's measurement to FILE. Prints, in
// milliseconds, the offset (demo time minus music position; positive: the
// picture is ahead) at the start and for each half minute, and what the offset
// would have been on the real clock alone. Exit status 0 after a full run, 1 when
// something could not be had, 2 on bad usage. Run it from build/, where the 3D
// scenes are.
#include "SyncMeasures.h"
#include "app/GlState.h"
#include "app/Program.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "script/DemoPlayer.h"
#include "script/DemoScript.h"
#include "support/OffscreenContext.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    uint32_t pause = 0;
    uint32_t length = DemoPlayer::SHOW_LENGTH_MS;
    std::string offsetsPath;
};

bool parseTime(const char* text, uint32_t& out) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    out = static_cast<uint32_t>(value);
    return end != text && *end == '\0' && value <= DemoPlayer::SHOW_LENGTH_MS;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--pause" || option == "--length") {
            if (!parseTime(argv[i + 1], option == "--pause" ? options.pause : options.length))
                return false;
        } else if (option == "--offsets") {
            options.offsetsPath = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

// The first layer drawn: notes the real time and the demo time of every frame.
class Probe : public Layer {
public:
    explicit Probe(std::vector<Reading>& frames) : frames_(frames) {}
    void render(uint32_t time) override { frames_.push_back({realMicroseconds(), time}); }

private:
    std::vector<Reading>& frames_;
};

// Notes the file's size each time it changes, until stopped.
class FileWatch {
public:
    explicit FileWatch(std::string path) : path_(std::move(path)) {
        thread_ = std::thread([this] { watch(); });
    }
    ~FileWatch() { stop(); }
    void stop() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    const std::vector<Reading>& sizes() const { return sizes_; }

private:
    void watch() {
        uint64_t last = 0;
        while (!stopping_) {
            struct stat info {};
            if (stat(path_.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_size) != last) {
                last = static_cast<uint64_t>(info.st_size);
                sizes_.push_back({realMicroseconds(), last});
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    std::string path_;
    std::atomic<bool> stopping_{false};
    std::vector<Reading> sizes_;
    std::thread thread_;
};

// The soundtrack from the embedded archive as 16-bit stereo at 44100 Hz.
std::vector<int16_t> decodeSoundtrack() {
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(DemoPlayer::MUSIC_FILE, &size);
    std::vector<int16_t> samples;
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    if (!bytes || !decoder)
        return samples;
    mpg123_format_none(decoder);
    mpg123_format(decoder, SAMPLE_RATE, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(decoder) == MPG123_OK &&
        mpg123_feed(decoder, bytes.get(), size) == MPG123_OK) {
        std::vector<unsigned char> chunk(1 << 16);
        size_t done = 0;
        int result = MPG123_OK;
        while ((result = mpg123_read(decoder, chunk.data(), chunk.size(), &done)) == MPG123_OK ||
               result == MPG123_NEW_FORMAT || done > 0) {
            const auto* decoded = reinterpret_cast<const int16_t*>(chunk.data());
            samples.insert(samples.end(), decoded, decoded + done / 2);
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                break;
        }
    }
    mpg123_delete(decoder);
    return samples;
}

std::vector<int16_t> readSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(samples.size() * 2),
              reinterpret_cast<char*>(samples.data()));
    return samples;
}

bool setUpShow(DemoScript& script, std::vector<Reading>& frames) {
    if (script.load(SCRIPT_FILE) != 0) {
        std::fprintf(stderr, "glimmer_sync_bench: no %s in the embedded archive\n", SCRIPT_FILE);
        return false;
    }
    // The empty name comes first in the rendering order.
    script.insert(std::make_unique<LayerEntry>(std::make_unique<Probe>(frames), 0,
                                               DemoPlayer::SHOW_LENGTH_MS, "",
                                               std::vector<ScriptEvent>{}));
    return true;
}

// Frames as the program draws them, until the show or --length is over or a layer
// fails; false on a failure.
bool play(DemoPlayer& player, const Options& options, const std::vector<Reading>& frames,
          uint64_t& firstFrameUs) {
    const uint64_t before = realMicroseconds();
    for (;;) {
        player.renderFrame();
        glFlush();
        if (frames.size() == 1)
            firstFrameUs = realMicroseconds() - before;
        int exitCode = 0;
        if (takeQuitMessage(&exitCode))
            return exitCode == 0;
        if (frames.back().value >= options.length)
            return true;
    }
}

int printMessageBox(const std::string& text, const std::string& caption, int) {
    std::fprintf(stderr, "glimmer_sync_bench: [%s] %s\n", caption.c_str(), text.c_str());
    return IDNO;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: glimmer_sync_bench [--pause MS] [--length MS] [--offsets FILE]\n");
        return 2;
    }
    setMessageBoxForTesting(printMessageBox);
    const std::string audioFile = "/tmp/glimmer_sync_bench." + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audioFile.c_str(), 1);

    OffscreenContext context;
    if (!context.ready()) {
        std::fprintf(stderr, "glimmer_sync_bench: %s\n", context.failure().c_str());
        return 1;
    }
    setDefaultGlState();
    setLightingState();
    setClientView(OffscreenContext::WIDTH, OffscreenContext::HEIGHT);

    std::vector<Reading> frames;
    DemoScript script;
    if (!setUpShow(script, frames))
        return 1;
    auto player = std::make_unique<DemoPlayer>(script);
    player->initialise();
    if (!player->musicLoaded() || !preloadPictures()) {
        std::fprintf(stderr, "glimmer_sync_bench: no music or pictures (disk audio to %s)\n",
                     audioFile.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(options.pause));

    // The music's device is opened again when it starts, which makes the file
    // again; removed now, the file the watch sees is that device's alone (the
    // checked device, maybe still closing, writes on into the removed one).
    std::remove(audioFile.c_str());
    uint64_t firstFrameUs = 0;
    auto watch = std::make_unique<FileWatch>(audioFile);
    const bool completed = play(*player, options, frames, firstFrameUs);
    player->stopMusic();
    watch->stop();
    const Timeline timeline{frames, script.entries().begin()->second->origin(), watch->sizes(),
                            readSamples(audioFile)};
    player.reset();
    TextureCache::releaseAll();
    std::remove(audioFile.c_str());
    if (!completed)
        return 1;
    std::printf("first frame drawn %.1f ms after it was asked for (the music starting)\n",
                firstFrameUs / 1000.0);
    return reportOffsets(timeline, decodeSoundtrack(), options.offsetsPath) ? 0 : 1;
}
