// Loads the OpenGL driver on a thread of its own while the caller starts the
// video system, so that the first window finds the driver in memory. On X11,
// where starting the video system is mostly waiting on the display server and
// the driver's loading (with Mesa's software rasteriser, LLVM's) is mostly
// work for the processor, the two overlap. The thread opens the library SDL
// will open, makes a connection of its own to the display and asks it for its
// GLX configurations, which loads the driver the display's screen needs; it
// draws and shows nothing. Where SDL is asked for another video driver, or the
// library or the display cannot be opened, nothing is loaded and nothing is
// reported: the window's own creation reports what matters.
#pragma once

#include <thread>

class GlDriverAhead {
public:
    // Starts the loading. Makes Xlib safe for threads first, as SDL does.
    GlDriverAhead();
    GlDriverAhead(const GlDriverAhead&) = delete;
    GlDriverAhead& operator=(const GlDriverAhead&) = delete;
    // Waits for the thread, then closes its connection and its library.
    ~GlDriverAhead();

    // Waits until the loading has ended; true when the display's GLX answered.
    bool finish();

private:
    void run();

    void* library_ = nullptr;
    void* display_ = nullptr;
    bool answered_ = false;
    std::thread thread_;
};
