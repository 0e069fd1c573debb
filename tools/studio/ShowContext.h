// A rendering context for the show that can be made anew, so that every run of
// the show starts from the OpenGL state of a program that has just started. The
// show draws into the context's ShowFramebuffer, of the picture's size, never
// into a window.
#pragma once

#include "studio/ShowFramebuffer.h"

#include <string>

class ShowContext {
public:
    ShowContext(int width, int height) : width_(width), height_(height) {}
    virtual ~ShowContext() = default;
    ShowContext(const ShowContext&) = delete;
    ShowContext& operator=(const ShowContext&) = delete;

    // Drops the current context with its framebuffer (objects shared with other
    // contexts must be released first) and makes a new one current, with a new
    // framebuffer bound. False, with failure(), when either cannot be made.
    bool renew();

    // Makes the show's context current again (after another context was).
    virtual void makeCurrent() = 0;

    ShowFramebuffer& framebuffer() { return framebuffer_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& failure() const { return failure_; }

protected:
    // Makes a new context current; false (with failure_ set) when it cannot.
    virtual bool makeContext() = 0;
    // Destroys the context makeContext made.
    virtual void dropContext() = 0;
    // The framebuffer and the context go; derived destructors call this.
    void close();

    std::string failure_;

private:
    ShowFramebuffer framebuffer_;
    int width_;
    int height_;
    bool made_ = false;
};
