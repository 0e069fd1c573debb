// GL tests: each runs on a fresh offscreen context (support/OffscreenContext.h)
// and reads pixels and state back.
#pragma once

#include "ArchiveWriter.h"
#include "support/OffscreenContext.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>

// RGBA bytes of a rectangle of the framebuffer, rows bottom-up as GL reads them.
Bytes readPixels(int x, int y, int width, int height);

// The RGBA bytes of one pixel.
Bytes pixelAt(int x, int y);

// Saves the framebuffer (or its lower left width × height pixels) as
// build/gl-shots/<name>.png, for looking at.
bool saveFramebuffer(const std::string& name, int width = OffscreenContext::WIDTH,
                     int height = OffscreenContext::HEIGHT);

// GL state read back.
using Floats4 = std::array<float, 4>;
GLint integerState(GLenum name);
Floats4 floatState(GLenum name);
bool enabled(GLenum capability);

// A test with its own fresh context, current for the whole test. The texture
// cache is emptied before the context goes, so no texture outlives its GL name.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<OffscreenContext> gl_;
};
