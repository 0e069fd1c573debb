#include "studio/StudioWindow.h"

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr int COLOUR_BITS = 32;
constexpr int DEPTH_BITS = 16;

} // namespace

StudioWindow::StudioWindow()
    : AppWindow("glimmer-studio", WIDTH, HEIGHT, COLOUR_BITS, DEPTH_BITS, false) {}

bool StudioWindow::handleEvent(const SDL_Event& event) {
    if (event.type == SDL_KEYDOWN && keyHandler_ && keyHandler_->handleKey(event.key.keysym.sym))
        return true;
    return AppWindow::handleEvent(event);
}
