// An OpenGL compatibility context with no display at all: EGL's surfaceless
// platform on Mesa's software rasteriser (llvmpipe), rendering into a pbuffer (by
// default the size of the program's window) with 32-bit RGBA colour and a 16-bit
// depth buffer, like the window's. Shared by the tests and the frame benchmark.
#pragma once

#include <string>

class OffscreenContext {
public:
    static constexpr int WIDTH = 800;
    static constexpr int HEIGHT = 600;

    // Creates a fresh context with a width x height pbuffer and makes it current,
    // the viewport covering the pbuffer; see ready().
    explicit OffscreenContext(int width = WIDTH, int height = HEIGHT);
    // Releases the context and with it every GL object made in it.
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool ready() const { return failure_.empty(); }
    // Why the context could not be made; empty when ready.
    const std::string& failure() const { return failure_; }

private:
    void* surface_ = nullptr;
    void* context_ = nullptr;
    std::string failure_;
};
