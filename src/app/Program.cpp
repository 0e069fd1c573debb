#include "app/Program.h"

#include "app/AppWindow.h"
#include "app/GlExtensions.h"
#include "app/GlState.h"
#include "app/LibraryWarmUp.h"
#include "effects/EnvironmentCubeMap.h"
#include "images/PictureDecodeAhead.h"
#include "platform/Platform.h"
#include "platform/StartupHeap.h"
#include "platform/showError.h"
#include "script/DemoPlayer.h"
#include "script/DemoScript.h"
#include "script/MixerLibrary.h"
#include "textures/TextureCache.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* WINDOW_TITLE = "tessary[]glimmerfell party!version 800x600x32";
constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
constexpr int COLOUR_BITS = 32;
constexpr int DEPTH_BITS = 16;
constexpr const char* QUESTION_CAPTION = "tessary::glimmerfell";
constexpr const char* ERROR_CAPTION = "Error";

const char* createFailureText(int result) {
    switch (result) {
    case AppWindow::VIDEO_UNAVAILABLE:
        return "Could not register window class, try a reboot...";
    case AppWindow::WINDOW_FAILED:
        return "Could not create window";
    case AppWindow::UNSUPPORTED_COLOUR_DEPTH:
        return "Unsupported color depth";
    default:
        return nullptr;
    }
}

// About what the heap holds by the question, pictures and scenes loaded (37 MiB
// with the show's), rounded up.
constexpr size_t START_UP_HEAP_BYTES = 40 << 20;

// The scenes' pictures first, as the script's layers read them first.
std::vector<std::string> picturesToDecodeAhead() {
    std::vector<std::string> names(SCENE_PICTURES.begin(), SCENE_PICTURES.end());
    names.insert(names.end(), PRELOADED_PICTURES.begin(), PRELOADED_PICTURES.end());
    return names;
}

} // namespace

bool preloadPictures() {
    for (const char* picture : PRELOADED_PICTURES) {
        if (!TextureCache::get(picture))
            return false;
    }
    return true;
}

int runProgram() {
    prepareHeapForStartUp();
    auto window = std::make_unique<AppWindow>(WINDOW_TITLE, WINDOW_WIDTH, WINDOW_HEIGHT,
                                              COLOUR_BITS, DEPTH_BITS, false);
    // The window loads the GL driver on the second core while it starts the video
    // system; once that is up, this thread decodes the start-up's first pictures
    // until the driver is in. The second core then fills the heap ahead, so that
    // the context, the layers and the preload find their memory ready. Once the
    // window is made, the pictures left are decoded there while the script's
    // layers are made and loaded here.
    auto decodeAhead = std::make_unique<PictureDecodeAhead>(picturesToDecodeAhead());
    std::unique_ptr<StartUpHeapFiller> heapFiller;
    const auto decodeWhileDriverLoads = [&decodeAhead,
                                         &heapFiller](const std::function<bool()>& loading) {
        decodeAhead->decodeHereWhile(loading);
        heapFiller = std::make_unique<StartUpHeapFiller>(START_UP_HEAP_BYTES);
    };
    if (const char* failure = createFailureText(window->create(decodeWhileDriverLoads))) {
        window->releaseContext();
        showMessageBox(nullptr, failure, ERROR_CAPTION, MB_OK);
        return -1;
    }
    decodeAhead->start();
    setDefaultGlState();
    loadGlExtensions();
    setLightingState();

    auto script = std::make_unique<DemoScript>();
    std::unique_ptr<DemoPlayer> player;
    std::unique_ptr<LibraryWarmUp> mixerWarmUp;
    {
        // The layers made from the script and then loaded build their cube maps
        // from the same faces.
        const CubeFaceReuse faceReuse;
        if (script->load(SCRIPT_FILE) < 0) {
            window->releaseContext();
            showMessageBox(nullptr, "File not found: data\\script.txt", ERROR_CAPTION, MB_OK);
            return -1;
        }
        // The music's checks need the mixer once the layers are loaded: it loads on
        // the second core meanwhile (any sooner, it would slow the scenes' making).
        mixerWarmUp = std::make_unique<LibraryWarmUp>(MIXER_LIBRARY);
        player = std::make_unique<DemoPlayer>(*script);
        player->startInitialising();
    }
    // The music's checks run beside the preloading; as they came first, their
    // failure is reported before the pictures'.
    const bool preloaded = preloadPictures();
    decodeAhead.reset();
    player->finishInitialising(preloaded);
    if (!preloaded) {
        window->releaseContext();
        showError("Could not load all texture maps");
        exitProcess(-1);
    }

    if (showMessageBox(window->window(), "Full screen experience?", QUESTION_CAPTION, MB_YESNO) ==
        IDYES)
        window->setFullScreen(true);
    window->show();
    heapFiller.reset();
    leaveHeapStartUp();
    // A layer that fails shows its box and asks to quit with -1; that code
    // becomes the exit status, so the failure is not reported as success.
    const int exitCode = window->runFrameLoop(*player, &player->musicStopper());

    TextureCache::releaseAll();
    window->releaseContext();
    player.reset();
    script.reset();
    window.reset();
    return exitCode;
}
