// The show's context in play mode: a second OpenGL context on the studio's window,
// sharing objects with the window's own context. The show draws into this one's
// framebuffer; the window's context shows the framebuffer's colour texture and
// the overlay, so nothing the studio draws touches the show's OpenGL state.
#pragma once

#include "studio/ShowContext.h"

#include <SDL.h>

class WindowShowContext : public ShowContext {
public:
    // The window's own context must be current; it stays the host of the shared
    // objects for as long as this lives.
    WindowShowContext(SDL_Window* window, int width, int height);
    // Drops the show's context; the window's context is current afterwards.
    ~WindowShowContext() override;

    void makeCurrent() override;
    // Makes the window's own context current, to present a frame.
    void makeHostCurrent();

protected:
    bool makeContext() override;
    void dropContext() override;

private:
    SDL_Window* window_;
    SDL_GLContext host_;
    SDL_GLContext context_ = nullptr;
};
