#include "studio/ShowContext.h"

bool ShowContext::renew() {
    close();
    if (!makeContext())
        return false;
    made_ = true;
    if (!framebuffer_.create(width_, height_)) {
        failure_ = framebuffer_.failure();
        return false;
    }
    return true;
}

void ShowContext::close() {
    if (!made_)
        return;
    makeCurrent();
    framebuffer_.release();
    dropContext();
    made_ = false;
}
