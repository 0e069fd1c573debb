// The offscreen target the show draws into: an RGBA8 colour texture and a 16-bit
// depth buffer, as the demo window has, of the picture's size. Made, bound and
// released in the context that draws into it; any context sharing objects with
// that one can show the colour texture.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

class ShowFramebuffer {
public:
    ShowFramebuffer() = default;
    ShowFramebuffer(const ShowFramebuffer&) = delete;
    ShowFramebuffer& operator=(const ShowFramebuffer&) = delete;

    // Makes the target and binds it for drawing and reading; texture unit 0 is
    // left with no texture bound, as in a new context. False (with failure())
    // when the driver cannot draw into it.
    bool create(int width, int height);
    // Deletes the GL objects; needs the context that made them. Nothing when
    // nothing was made.
    void release();
    // Binds the target made for drawing and reading.
    void bind() const;

    // The picture as drawn: RGBA rows bottom-up, width * height * 4 bytes. Waits
    // for the drawing to finish.
    void readPixels(std::vector<uint8_t>& rgba) const;

    GLuint colourTexture() const { return colourTexture_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& failure() const { return failure_; }

private:
    GLuint framebuffer_ = 0;
    GLuint colourTexture_ = 0;
    GLuint depthBuffer_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::string failure_;
};
