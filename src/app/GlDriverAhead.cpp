#include "app/GlDriverAhead.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

#include <cstdlib>

namespace {

using GetFbConfigs = void* (*)(Display*, int, int*);

// SDL picks X11 unless another video driver is named.
bool sdlWillUseX11() {
    const char* asked = SDL_GetHint("SDL_VIDEODRIVER");
    return !asked || !*asked || SDL_strcasecmp(asked, "x11") == 0;
}

// The library SDL opens for OpenGL on X11.
const char* sdlGlLibrary() {
    const char* named = std::getenv("SDL_OPENGL_LIBRARY");
    return named ? named : "libGL.so.1";
}

} // namespace

GlDriverAhead::GlDriverAhead() {
    if (!sdlWillUseX11() || !XInitThreads())
        return;
    thread_ = std::thread(&GlDriverAhead::run, this);
}

GlDriverAhead::~GlDriverAhead() {
    finish();
    // The connection's GLX data belongs to the library: it goes first.
    if (display_)
        XCloseDisplay(static_cast<Display*>(display_));
    if (library_)
        dlclose(library_);
}

bool GlDriverAhead::finish() {
    if (thread_.joinable())
        thread_.join();
    return answered_;
}

void GlDriverAhead::run() {
    library_ = dlopen(sdlGlLibrary(), RTLD_NOW | RTLD_LOCAL);
    if (!library_)
        return;
    const auto getFbConfigs = reinterpret_cast<GetFbConfigs>(dlsym(library_, "glXGetFBConfigs"));
    Display* display = getFbConfigs ? XOpenDisplay(nullptr) : nullptr;
    display_ = display;
    if (!display)
        return;
    int count = 0;
    void* configs = getFbConfigs(display, DefaultScreen(display), &count);
    answered_ = configs != nullptr;
    if (configs)
        XFree(configs);
}
