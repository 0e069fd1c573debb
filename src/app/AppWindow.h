// The one top-level window with its OpenGL context, on SDL: creation, the display
// mode (windowed or full screen), the few events the demo reacts to and the frame
// loop that pumps them.
#pragma once

#include "platform/FrameClient.h"

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>

class AppWindow {
public:
    // Results of create.
    enum CreateResult {
        CREATED = 0,
        VIDEO_UNAVAILABLE = 1,
        WINDOW_FAILED = 2,
        UNSUPPORTED_COLOUR_DEPTH = 3,
        ALREADY_CREATED = 4
    };

    // Stores the settings. Draws one value from the runtime's generator for the
    // class name (title, time, random number), which later effects continue from.
    AppWindow(const char* title, int width, int height, int colourBits, int depthBits,
              bool fullScreen);
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    // Reacts to one event: Return (either Enter key) toggles full screen; Escape, the close box and
    // a quit event request the end of the run; a size change rebuilds viewport and projection.
    // Returns true when the event was one of these.
    virtual bool handleEvent(const SDL_Event& event);
    // Releases the context and the window, then stops the video system.
    virtual ~AppWindow();

    // Work for the calling thread while the GL driver loads on another: it is to
    // stop once stillLoading() answers false.
    using WhileDriverLoads = std::function<void(const std::function<bool()>& stillLoading)>;

    // Makes the hidden window and its current OpenGL context; a CreateResult. Takes
    // the closest pixel format the display has: the colour and depth bits asked
    // for, else without alpha, else with a smaller depth buffer (24, 16, then none,
    // which is reported on standard error). The first call starts the video system
    // and, once it is up, runs whileDriverLoads (if any) before the window is made.
    int create(const WhileDriverLoads& whileDriverLoads = nullptr);
    // Shows the window and sets viewport and projection for its client size.
    // False when there is no window.
    bool show();
    // Switches between windowed and full screen (modeWidth x modeHeight). False,
    // with the window left as it was, when the display refuses the mode.
    bool setFullScreen(bool on);
    // Releases the context and the window and restores the display mode; further
    // calls do nothing more.
    void releaseContext();

    // Until quitRequested: handle at most one pending event (or, when none is
    // waiting, a queued quit request), render a frame, flush and swap. Then the
    // end client, if any, runs once. Returns the first nonzero exit code among the
    // quit request taken and those still queued at the end (a failure wins over a
    // clean end), else 0. The queue is empty afterwards.
    int runFrameLoop(FrameClient& frameClient, FrameClient* endClient);

    bool quitRequested() const { return quitRequested_; }
    bool fullScreen() const { return fullScreen_; }
    bool created() const { return created_; }
    SDL_Window* window() const { return window_; }
    const std::string& className() const { return className_; }

protected:
    // One try at the window and its context with these bits; false (nothing
    // left over) when the display has no such format.
    virtual bool makeWindow(int alphaBits, int depthBits);

private:
    // The window with the closest pixel format the display has; false when none.
    bool makeClosestWindow();
    void warnWithoutDepthBuffer();
    void applyCurrentClientSize();
    bool enterDisplayMode();
    void presentFrame();
    static int failureOrClean(int exitCode);

    int width_;
    int height_;
    int modeWidth_;
    int modeHeight_;
    int left_ = 0;
    int top_ = 0;
    uint16_t colourBits_;
    uint16_t depthBits_;
    bool fullScreen_;
    std::string className_;
    std::string title_;
    bool created_ = false;
    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_GLContext glContext_ = nullptr;
    bool quitRequested_ = false;
};
