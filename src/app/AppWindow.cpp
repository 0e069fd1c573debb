#include "app/AppWindow.h"

#include "app/GlDriverWarmUp.h"
#include "app/GlState.h"
#include "platform/Platform.h"

#include <GL/gl.h>

#include <cstdio>
#include <ctime>
#include <memory>

// SDL 2.0.22 named this hint; before it (Debian 11 has 2.0.14) the driver was
// asked for by the environment variable alone, which SDL_GetHint also reads.
#ifndef SDL_HINT_VIDEODRIVER
#define SDL_HINT_VIDEODRIVER "SDL_VIDEODRIVER"
#endif

namespace {

// SDL falls back to drivers that draw nowhere when no display can be reached; the
// show needs a display unless such a driver was asked for by name.
bool onDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (asked && driver && SDL_strcasecmp(asked, driver) == 0)
        return true;
    return driver && SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0;
}

std::string makeClassName(const std::string& title) {
    return title + std::to_string(static_cast<long>(std::time(nullptr))) +
           std::to_string(runtimeRand());
}

} // namespace

AppWindow::AppWindow(const char* title, int width, int height, int colourBits, int depthBits,
                     bool fullScreen)
    : width_(width), height_(height), modeWidth_(width), modeHeight_(height),
      colourBits_(static_cast<uint16_t>(colourBits)), depthBits_(static_cast<uint16_t>(depthBits)),
      fullScreen_(fullScreen), className_(makeClassName(title)), title_(title) {}

AppWindow::~AppWindow() {
    releaseContext();
    if (videoStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

int AppWindow::create(const WhileDriverLoads& whileDriverLoads) {
    if (colourBits_ != 32 && colourBits_ != 24)
        return UNSUPPORTED_COLOUR_DEPTH;
    if (created_)
        return ALREADY_CREATED;
    std::unique_ptr<GlDriverWarmUp> driverWarmUp;
    if (!videoStarted_) {
        // The class name becomes the window's X11 class (read when video starts),
        // unless the user's environment names one.
        SDL_setenv("SDL_VIDEO_X11_WMCLASS", className_.c_str(), 0);
        // SDL's events start first, as they load D-Bus: while the GL driver loads,
        // every other library load or symbol lookup in the process waits for it.
        // The video system's start, the X connection mostly, then overlaps it.
        if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0)
            return VIDEO_UNAVAILABLE;
        driverWarmUp = std::make_unique<GlDriverWarmUp>();
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            SDL_QuitSubSystem(SDL_INIT_EVENTS);
            return VIDEO_UNAVAILABLE;
        }
        if (!onDisplay()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
            return VIDEO_UNAVAILABLE;
        }
        videoStarted_ = true;
        // Making the window waits for the driver: the caller's work fills the wait.
        if (whileDriverLoads)
            whileDriverLoads([&driverWarmUp] { return driverWarmUp->loading(); });
    }

    if (!makeClosestWindow())
        return WINDOW_FAILED;
    created_ = true;
    warnWithoutDepthBuffer();
    // A window asked for full screen switches the mode now; it appears so when shown.
    if (fullScreen_)
        fullScreen_ = enterDisplayMode();
    if (fullScreen_)
        SDL_ShowCursor(SDL_DISABLE);
    return CREATED;
}

bool AppWindow::makeClosestWindow() {
    // As asked, then without alpha; then the same with ever smaller depth buffers.
    const int alphaBits = colourBits_ == 32 ? 8 : 0;
    const auto tryDepth = [&](int depth) {
        return makeWindow(alphaBits, depth) || (alphaBits > 0 && makeWindow(0, depth));
    };
    if (tryDepth(depthBits_))
        return true;
    for (const int depth : {24, 16, 0}) {
        if (depth < depthBits_ && tryDepth(depth))
            return true;
    }
    return false;
}

void AppWindow::warnWithoutDepthBuffer() {
    // The show still runs without one, but its 3D scenes then show surfaces that
    // should be hidden behind others: the viewer is told why.
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits == 0)
        std::fprintf(stderr, "Warning: the display offers no depth buffer; the 3D scenes will "
                             "show surfaces that should be hidden\n");
}

bool AppWindow::makeWindow(int alphaBits, int depthBits) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    window_ = SDL_CreateWindow(title_.c_str(), left_, top_, width_, height_,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window_)
        glContext_ = SDL_GL_CreateContext(window_);
    if (glContext_)
        return true;
    releaseContext();
    return false;
}

bool AppWindow::show() {
    if (!window_)
        return false;
    SDL_ShowWindow(window_);
    // The first frame must already have viewport and projection for the client size.
    applyCurrentClientSize();
    return true;
}

bool AppWindow::setFullScreen(bool on) {
    if (on == fullScreen_)
        return true;
    if (!window_)
        return false;
    if (!on) {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_SetWindowSize(window_, width_, height_);
        SDL_SetWindowPosition(window_, left_, top_);
        SDL_ShowWindow(window_);
        SDL_ShowCursor(SDL_ENABLE);
        fullScreen_ = false;
        applyCurrentClientSize();
        return true;
    }
    if (!enterDisplayMode()) {
        fullScreen_ = false;
        return false;
    }
    SDL_ShowWindow(window_);
    SDL_ShowCursor(SDL_DISABLE);
    fullScreen_ = true;
    applyCurrentClientSize();
    return true;
}

bool AppWindow::enterDisplayMode() {
    // The display's nearest mode at least modeWidth x modeHeight, in its own
    // (32-bit) pixel format.
    const SDL_DisplayMode wanted{0, modeWidth_, modeHeight_, 0, nullptr};
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0 || !SDL_GetClosestDisplayMode(display, &wanted, &mode))
        return false;
    if (SDL_SetWindowDisplayMode(window_, &mode) != 0 ||
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) {
        SDL_SetWindowFullscreen(window_, 0);
        return false;
    }
    return true;
}

void AppWindow::releaseContext() {
    if (glContext_) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(glContext_);
        glContext_ = nullptr;
    }
    if (window_) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    if (fullScreen_)
        SDL_ShowCursor(SDL_ENABLE);
    created_ = false;
}

bool AppWindow::handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) {
            setFullScreen(!fullScreen_);
            return true;
        }
        if (event.key.keysym.sym == SDLK_ESCAPE) {
            quitRequested_ = true;
            return true;
        }
        return false;
    case SDL_QUIT:
        quitRequested_ = true;
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            quitRequested_ = true;
            return true;
        }
        // The event gives the size in window coordinates; on a scaled display
        // the drawable has more pixels, and the viewport is in those.
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && created_) {
            applyCurrentClientSize();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void AppWindow::applyCurrentClientSize() {
    int clientWidth = 0;
    int clientHeight = 0;
    SDL_GL_GetDrawableSize(window_, &clientWidth, &clientHeight);
    setClientView(clientWidth, clientHeight);
}

int AppWindow::runFrameLoop(FrameClient& frameClient, FrameClient* endClient) {
    int exitCode = 0;
    while (!quitRequested_) {
        SDL_Event event;
        if (SDL_PollEvent(&event))
            handleEvent(event);
        else if (takeQuitMessage(&exitCode))
            quitRequested_ = true;
        frameClient.renderFrame();
        presentFrame();
    }
    if (endClient)
        endClient->renderFrame();
    return failureOrClean(exitCode);
}

int AppWindow::failureOrClean(int exitCode) {
    // Requests are taken oldest first, so a clean end (Escape, the close box, the
    // player's time limit) may have come ahead of a failure queued in the same
    // turn; the failure decides the status.
    int queued = 0;
    while (takeQuitMessage(&queued)) {
        if (exitCode == 0)
            exitCode = queued;
    }
    return exitCode;
}

void AppWindow::presentFrame() {
    glFlush();
    if (window_)
        SDL_GL_SwapWindow(window_);
}
