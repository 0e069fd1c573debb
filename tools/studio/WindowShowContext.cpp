#include "studio/WindowShowContext.h"

WindowShowContext::WindowShowContext(SDL_Window* window, int width, int height)
    : ShowContext(width, height), window_(window), host_(SDL_GL_GetCurrentContext()) {}

WindowShowContext::~WindowShowContext() {
    close();
}

void WindowShowContext::makeCurrent() {
    SDL_GL_MakeCurrent(window_, context_);
}

void WindowShowContext::makeHostCurrent() {
    SDL_GL_MakeCurrent(window_, host_);
}

bool WindowShowContext::makeContext() {
    makeHostCurrent();
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    context_ = SDL_GL_CreateContext(window_);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    if (!context_) {
        failure_ = std::string("cannot make the show's OpenGL context: ") + SDL_GetError();
        makeHostCurrent();
        return false;
    }
    return true;
}

void WindowShowContext::dropContext() {
    makeHostCurrent();
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
}
