// The window of play mode: the demo's window (800 x 600, Return toggles full
// screen, Escape and the close box end the run), titled "glimmer-studio", with
// the studio's keys offered to a handler first.
#pragma once

#include "app/AppWindow.h"

class KeyHandler {
public:
    // True when the key was the handler's.
    virtual bool handleKey(SDL_Keycode key) = 0;
    virtual ~KeyHandler() = default;
};

class StudioWindow : public AppWindow {
public:
    StudioWindow();

    void setKeyHandler(KeyHandler* handler) { keyHandler_ = handler; }
    bool handleEvent(const SDL_Event& event) override;

private:
    KeyHandler* keyHandler_ = nullptr;
};
