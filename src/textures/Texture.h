// An OpenGL 2D texture made from 8-bit RGB or RGBA pixels. Needs a current GL
// context for construction, bind and destruction.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// A rectangle of level 0 in texels, x0 and y0 included, x1 and y1 not; y counts
// from the bottom row, as texture coordinates do.
struct TexelBox {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;
};

class Texture {
public:
    // pixels: bottom-up, tightly packed rows; format as DecodedImage::isRgb
    // (1: RGB, 0: RGBA; any other value uploads nothing). The pixels are not kept.
    // With mipmaps the filters are trilinear and GLU builds the whole chain,
    // rescaling sides that are not powers of two; this also sets the active
    // texture unit's environment to GL_REPLACE, which stays in force. Without
    // mipmaps the image is uploaded as level 0 with linear filters and repeat
    // wrapping, so its sides must be ones the GL accepts.
    // The new texture is left bound.
    Texture(const unsigned char* pixels, int format, int32_t width, int32_t height, bool mipmapped);
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // glBindTexture(GL_TEXTURE_2D, name()).
    virtual void bind();
    // Deletes the GL texture.
    virtual ~Texture();

    // The decoded image's size, not that of any mipmap level.
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    GLuint name() const { return name_; }
    // The size of level 0 as uploaded: a mipmapped picture whose sides are not
    // powers of two has been rescaled by GLU. 0 when nothing was uploaded.
    int32_t levelWidth() const { return levelWidth_; }
    int32_t levelHeight() const { return levelHeight_; }
    // Level 0's texels that bilinear sampling can give an alpha other than 0, for
    // an RGBA picture uploaded at its own size: those with alpha, one texel
    // around them, and across to the far edge where alpha touches an edge (the
    // repeat wrap samples it from there). The whole level otherwise.
    const TexelBox& visibleBox() const { return visibleBox_; }

private:
    int32_t width_;
    int32_t height_;
    GLuint name_ = 0;
    GLint levelWidth_ = 0;
    GLint levelHeight_ = 0;
    TexelBox visibleBox_;
};

// Uploads level 0 of target (GL_TEXTURE_2D or a cube-map face of the bound
// texture) from 8-bit pixels in tightly packed rows, bottom row first, as every
// picture is uploaded: the unpack alignment is 1 for the call.
void uploadTextureLevel(GLenum target, const unsigned char* pixels, GLint internalFormat,
                        GLenum sourceFormat, int32_t width, int32_t height);
