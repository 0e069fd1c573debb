// A rendering context for the show that can be made anew, so that every run of
// the show starts from the OpenGL state of a program that has just started. The
// context itself is kept from run to run where it can be (its state is put back
// as it was when new), as a new one would have to compile the driver's shaders
// again. The show draws into the context's ShowFramebuffer, of the picture's
// size, never into a window.
#pragma once

#include "studio/ShowFramebuffer.h"

#include <string>

class ShowContext {
public:
    ShowContext(int width, int height) : width_(width), height_(height) {}
    virtual ~ShowContext() = default;
    ShowContext(const ShowContext&) = delete;
    ShowContext& operator=(const ShowContext&) = delete;

    // Makes the show's context current with every OpenGL setting as in a new
    // context with its framebuffer just bound: the same context with its state
    // put back, or a new one (with a new framebuffer) the first time. The objects
    // the last run made must be released first. False, with failure(), when no
    // context or framebuffer can be made.
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
    void keepNewState();
    bool putBackNewState();

    ShowFramebuffer framebuffer_;
    int width_;
    int height_;
    bool made_ = false;
};
