#include "layers/ImageLayer.h"

#include "layers/FlatView.h"
#include "platform/Platform.h"
#include "platform/showError.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using ViewBox = std::array<GLint, 4>; // x, y, width, height

ViewBox viewport() {
    ViewBox view{};
    glGetIntegerv(GL_VIEWPORT, view.data());
    return view;
}

// Drawn over the whole view, a picture whose level 0 is smaller than the view in
// both directions is only ever magnified: its mipmaps are never read and the
// minification filter never chosen.
bool magnifiedIn(const ViewBox& view, const Texture& texture) {
    return texture.levelWidth() > 0 && texture.levelHeight() > 0 &&
           texture.levelWidth() < view[2] && texture.levelHeight() < view[3];
}

// True when the fragments' alpha is the bound 2D texture's alpha (times the
// colour's, at most): texturing on with a plain 2D texture, generated
// coordinates off, an environment that keeps the texture's zero alpha.
bool alphaComesFromTexture() {
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return glIsEnabled(GL_TEXTURE_2D) && !glIsEnabled(GL_TEXTURE_CUBE_MAP) &&
           !glIsEnabled(GL_TEXTURE_GEN_S) && !glIsEnabled(GL_TEXTURE_GEN_T) &&
           (mode == GL_REPLACE || mode == GL_MODULATE);
}

// A magnified picture sampled with a plain linear filter gives the same pixels
// while the rasteriser skips the level selection. The bound texture's own
// minification filter is put back at the end of the scope.
class LinearSampling {
public:
    LinearSampling() {
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &saved_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    ~LinearSampling() { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, saved_); }
    LinearSampling(const LinearSampling&) = delete;
    LinearSampling& operator=(const LinearSampling&) = delete;

private:
    GLint saved_ = GL_LINEAR_MIPMAP_LINEAR;
};

// The pixels from a to b along one side of the view, for the fractions a and b
// of it, with one pixel more on each end.
void pixelSpan(GLint origin, GLint size, float a, float b, GLint& start, GLint& length) {
    start = origin + static_cast<GLint>(std::floor(a * static_cast<float>(size))) - 1;
    const GLint end = origin + static_cast<GLint>(std::ceil(b * static_cast<float>(size))) + 1;
    length = end - start;
}

// Limits drawing to the pixels under the picture's visible box while it lives
// (within the scissor box already in force, if any): elsewhere the texture's
// alpha is 0 and the blend would keep every pixel as it is. The quad itself is
// unchanged, so the pixels drawn are exactly those of the whole quad. The
// scissor state is put back at the end of the scope.
class VisibleScissor {
public:
    VisibleScissor(const ViewBox& view, const Texture& texture)
        : wasEnabled_(glIsEnabled(GL_SCISSOR_TEST)) {
        glGetIntegerv(GL_SCISSOR_BOX, saved_.data());
        const TexelBox& texels = texture.visibleBox();
        const auto width = static_cast<float>(texture.levelWidth());
        const auto height = static_cast<float>(texture.levelHeight());
        ViewBox box{};
        pixelSpan(view[0], view[2], static_cast<float>(texels.x0) / width,
                  static_cast<float>(texels.x1) / width, box[0], box[2]);
        pixelSpan(view[1], view[3], static_cast<float>(texels.y0) / height,
                  static_cast<float>(texels.y1) / height, box[1], box[3]);
        if (texels.x0 >= texels.x1 || texels.y0 >= texels.y1)
            box = {view[0], view[1], 0, 0};
        if (wasEnabled_)
            box = intersection(box, saved_);
        glScissor(box[0], box[1], box[2], box[3]);
        glEnable(GL_SCISSOR_TEST);
    }
    ~VisibleScissor() {
        glScissor(saved_[0], saved_[1], saved_[2], saved_[3]);
        if (!wasEnabled_)
            glDisable(GL_SCISSOR_TEST);
    }
    VisibleScissor(const VisibleScissor&) = delete;
    VisibleScissor& operator=(const VisibleScissor&) = delete;

private:
    static ViewBox intersection(const ViewBox& a, const ViewBox& b) {
        const GLint x0 = std::max(a[0], b[0]);
        const GLint y0 = std::max(a[1], b[1]);
        const GLint x1 = std::min(a[0] + a[2], b[0] + b[2]);
        const GLint y1 = std::min(a[1] + a[3], b[1] + b[3]);
        return {x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
    }

    bool wasEnabled_;
    ViewBox saved_{};
};

void drawWholeView() {
    glBegin(GL_QUADS);
    emitUnitQuad();
    glEnd();
}

void drawPicture(const Texture& texture) {
    const ViewBox view = viewport();
    if (!magnifiedIn(view, texture)) {
        drawWholeView();
        return;
    }
    const LinearSampling sampling;
    if (!alphaComesFromTexture()) {
        drawWholeView();
        return;
    }
    const VisibleScissor scissor(view, texture);
    drawWholeView();
}

} // namespace

void ImageLayer::render(uint32_t) {
    if (!visible_ || !texture_)
        return;
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    texture_->bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    pushFlatProjection(0.0f, 1.0f);
    drawPicture(*texture_);
    glDisable(GL_BLEND);
    popFlatProjection();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}

void ImageLayer::setParamString(ParamId code, const std::string& value) {
    if (code != param::FILE) {
        Layer::setParamString(code, value);
        return;
    }
    texture_ = TextureCache::get(value.c_str());
    if (!texture_) {
        showError("Could not load %s", value.c_str());
        postQuitMessage(-1);
    }
}

void ImageLayer::setParamInt(ParamId code, int32_t value) {
    if (code != param::SHOW) {
        Layer::setParamInt(code, value);
        return;
    }
    visible_ = value != 0;
}

void ImageLayer::setParamFloat(ParamId code, float value) {
    if (code != param::OPAC) {
        Layer::setParamFloat(code, value);
        return;
    }
    opacity_ = value;
}
