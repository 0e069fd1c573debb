#include "studio/Commands.h"
#include "studio/StudioPlayer.h"

#include <cstdio>
#include <memory>

namespace {

constexpr int PICTURE_WIDTH = 800;
constexpr int PICTURE_HEIGHT = 600;
constexpr uint32_t PLAY_RATE = 60;

void warn(const std::string& what) {
    std::fprintf(stderr, "glimmer-studio: warning: %s\n", what.c_str());
}

// The soundtrack on the audio device, or a warning and silence.
void openSound(DecodedSound& sound, AudioOutput& audio) {
    std::string failure;
    if (!loadSoundtrack(sound, failure))
        warn(failure + "; playing silently");
    else if (!audio.open())
        warn("no audio device (" + audio.failure() + "); playing silently");
}

} // namespace

int runPlay(const StudioOptions& options, ShowSource& source) {
    StudioWindow window;
    if (window.create() != AppWindow::CREATED)
        return fail("cannot open a window: no display?");
    WindowShowContext context(window.window(), PICTURE_WIDTH, PICTURE_HEIGHT);
    ShowRun run(context, PLAY_RATE);
    if (!startShow(source, run))
        return 1;
    DecodedSound sound;
    AudioOutput audio(sound);
    openSound(sound, audio);
    context.makeHostCurrent();
    Overlay overlay(GLIMMER_OVERLAY_FONT);
    if (!overlay.ready())
        warn(std::string("cannot read the overlay's font ") + GLIMMER_OVERLAY_FONT);

    StudioPlayer player(run, context, source, audio, overlay, window.window());
    std::unique_ptr<FolderWatch> folder;
    if (!options.directory.empty()) {
        folder = std::make_unique<FolderWatch>(options.directory);
        if (!folder->watching())
            warn(folder->failure() + "; saves are not reloaded (F5 is)");
    }
    player.watch(folder.get());
    window.setKeyHandler(&player);
    window.show();
    player.begin(options.start);
    const int exitCode = window.runFrameLoop(player, nullptr);
    window.setKeyHandler(nullptr);
    if (exitCode != 0)
        return fail("the show asked to stop (exit code " + std::to_string(exitCode) + ")");
    return 0;
}
