// An OpenGL compatibility context for tests, with no display at all: EGL's
// surfaceless platform on Mesa's software rasteriser (llvmpipe), rendering into a
// pbuffer the size of the program's window with 32-bit RGBA colour and a 16-bit
// depth buffer, like the window's.
#pragma once

#include "ArchiveWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class OffscreenGl {
public:
    static constexpr int WIDTH = 800;
    static constexpr int HEIGHT = 600;

    // Creates a fresh context and makes it current; see ready().
    OffscreenGl();
    // Releases the context and with it every GL object made in it.
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool ready() const { return failure_.empty(); }
    // Why the context could not be made; empty when ready.
    const std::string& failure() const { return failure_; }

private:
    void* surface_ = nullptr;
    void* context_ = nullptr;
    std::string failure_;
};

// RGBA bytes of a rectangle of the framebuffer, rows bottom-up as GL reads them.
Bytes readPixels(int x, int y, int width, int height);

// The RGBA bytes of one pixel.
Bytes pixelAt(int x, int y);

// Saves the whole framebuffer as build/gl-shots/<name>.png, for looking at.
bool saveFramebuffer(const std::string& name);

// A test with its own fresh context, current for the whole test. The texture
// cache is emptied before the context goes, so no texture outlives its GL name.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<OffscreenGl> gl_;
};
