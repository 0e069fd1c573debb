#include "textures/Texture.h"

#include "textures/AlphaBounds.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstddef>

namespace {

constexpr int FORMAT_RGBA = 0;
constexpr int FORMAT_RGB = 1;

// Rows are tightly packed, so the upload must not expect them padded to four
// bytes (GL's default): an RGB row of a width not divisible by four would
// otherwise be misread and the read would run past the end of the pixels.
class TightUnpacking {
public:
    TightUnpacking() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~TightUnpacking() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved_); }

private:
    GLint saved_ = 4;
};

void buildMipmaps(const unsigned char* pixels, GLint internalFormat, GLenum sourceFormat,
                  int32_t width, int32_t height) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    // The environment of the active texture unit, not of this texture: it stays in
    // force for whatever is drawn next.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // GLU rescales sides that are not powers of two.
    gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, sourceFormat, GL_UNSIGNED_BYTE,
                      pixels);
}

void uploadSingleLevel(const unsigned char* pixels, GLint internalFormat, GLenum sourceFormat,
                       int32_t width, int32_t height) {
    uploadTextureLevel(GL_TEXTURE_2D, pixels, internalFormat, sourceFormat, width, height);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

// One side of the visible box, from the first and last index with alpha.
TexelSpans widenedSpans(int32_t first, int32_t last, int32_t size) {
    TexelSpans spans;
    spans.start = std::max(first - 1, 0);
    spans.end = std::min(last + 2, size);
    if (first == 0) {
        spans.wrapStart = size - 1;
        spans.wrapEnd = size;
    } else if (last == size - 1) {
        spans.wrapEnd = 1;
    }
    return spans;
}

// The box of RGBA pixels whose alpha is not 0, widened as visibleBox() says.
TexelBox alphaBox(const unsigned char* pixels, int32_t width, int32_t height) {
    const AlphaBounds bounds = alphaBounds(pixels, width, height);
    if (bounds.top < 0)
        return {};
    return {widenedSpans(bounds.left, bounds.right, width),
            widenedSpans(bounds.bottom, bounds.top, height)};
}

} // namespace

void uploadTextureLevel(GLenum target, const unsigned char* pixels, GLint internalFormat,
                        GLenum sourceFormat, int32_t width, int32_t height) {
    const TightUnpacking unpacking;
    glTexImage2D(target, 0, internalFormat, width, height, 0, sourceFormat, GL_UNSIGNED_BYTE,
                 pixels);
}

Texture::Texture(const unsigned char* pixels, int format, int32_t width, int32_t height,
                 bool mipmapped)
    : width_(width), height_(height) {
    glGenTextures(1, &name_);
    glBindTexture(GL_TEXTURE_2D, name_);
    if (format != FORMAT_RGBA && format != FORMAT_RGB)
        return;
    const GLint internalFormat = format == FORMAT_RGB ? GL_RGB8 : GL_RGBA8;
    const GLenum sourceFormat = format == FORMAT_RGB ? GL_RGB : GL_RGBA;
    const TightUnpacking unpacking;
    if (mipmapped)
        buildMipmaps(pixels, internalFormat, sourceFormat, width, height);
    else
        uploadSingleLevel(pixels, internalFormat, sourceFormat, width, height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &levelWidth_);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &levelHeight_);
    if (format == FORMAT_RGBA && levelWidth_ == width && levelHeight_ == height)
        visibleBox_ = alphaBox(pixels, width, height);
    else
        visibleBox_ = {{0, levelWidth_, 0, 0}, {0, levelHeight_, 0, 0}};
}

void Texture::bind() {
    glBindTexture(GL_TEXTURE_2D, name_);
}

Texture::~Texture() {
    glDeleteTextures(1, &name_);
}
