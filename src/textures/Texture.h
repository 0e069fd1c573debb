// An OpenGL 2D texture made from 8-bit RGB or RGBA pixels. Needs a current GL
// context for construction, bind and destruction.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// Texels of level 0 along one side, from start (included) to end (not): the
// main span, and a second span of one texel at the far end (empty when start is
// not below end) that the repeat wrap samples across to.
struct TexelSpans {
    int32_t start = 0;
    int32_t end = 0;
    int32_t wrapStart = 0;
    int32_t wrapEnd = 0;
};

// Columns (x) and rows (y, counting from the bottom row as texture coordinates
// do) of level 0.
struct TexelBox {
    TexelSpans x;
    TexelSpans y;
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
    // an RGBA picture uploaded at its own size: those with alpha and one texel
    // around them, and, where alpha touches an edge, the texel at the far edge
    // (the repeat wrap samples across there). All of level 0 otherwise; an empty
    // main span when no texel has alpha.
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
