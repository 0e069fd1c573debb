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
#include <cstddef>

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
// Pixels along one side of the view, from start (included) to end (not).
struct PixelSpan {
    GLint start = 0;
    GLint end = 0;
};

// The pixels of one side of the view over the texels from start to end of a
// level size texels long, with one pixel more on each end.
PixelSpan pixelSpan(GLint origin, GLint pixels, int32_t start, int32_t end, int32_t size) {
    const float scale = static_cast<float>(pixels) / static_cast<float>(size);
    return {origin + static_cast<GLint>(std::floor(static_cast<float>(start) * scale)) - 1,
            origin + static_cast<GLint>(std::ceil(static_cast<float>(end) * scale)) + 1};
}

// Up to two disjoint pixel spans along one side, iterable; kept in place, as
// they are found every frame.
struct PixelSpans {
    std::array<PixelSpan, 2> spans{};
    size_t count = 0;
    const PixelSpan* begin() const { return spans.data(); }
    const PixelSpan* end() const { return spans.data() + count; }
};

// The pixel spans of one side over its texel spans: none for an empty main span,
// one where the wrap span is empty or meets the main one, two apart otherwise.
PixelSpans pixelSpans(GLint origin, GLint pixels, const TexelSpans& texels, int32_t size) {
    if (texels.start >= texels.end)
        return {};
    PixelSpan main = pixelSpan(origin, pixels, texels.start, texels.end, size);
    if (texels.wrapStart >= texels.wrapEnd)
        return {{main}, 1};
    const PixelSpan wrap = pixelSpan(origin, pixels, texels.wrapStart, texels.wrapEnd, size);
    if (wrap.end < main.start || main.end < wrap.start)
        return {{main, wrap}, 2};
    main.start = std::min(main.start, wrap.start);
    main.end = std::max(main.end, wrap.end);
    return {{main}, 1};
}

// The scissor box in force while it lives, put back (with the scissor test's
// state) at its end.
class SavedScissor {
public:
    SavedScissor() : wasEnabled_(glIsEnabled(GL_SCISSOR_TEST)) {
        glGetIntegerv(GL_SCISSOR_BOX, box_.data());
    }
    ~SavedScissor() {
        glScissor(box_[0], box_[1], box_[2], box_[3]);
        if (!wasEnabled_)
            glDisable(GL_SCISSOR_TEST);
    }
    SavedScissor(const SavedScissor&) = delete;
    SavedScissor& operator=(const SavedScissor&) = delete;

    // Scissors to the pixels over x and y, within the box in force before.
    void limitTo(const PixelSpan& x, const PixelSpan& y) const {
        GLint x0 = x.start, y0 = y.start, x1 = x.end, y1 = y.end;
        if (wasEnabled_) {
            x0 = std::max(x0, box_[0]);
            y0 = std::max(y0, box_[1]);
            x1 = std::min(x1, box_[0] + box_[2]);
            y1 = std::min(y1, box_[1] + box_[3]);
        }
        glScissor(x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0));
        glEnable(GL_SCISSOR_TEST);
    }

private:
    bool wasEnabled_;
    ViewBox box_{};
};

void drawWholeView() {
    glBegin(GL_QUADS);
    emitUnitQuad();
    glEnd();
}

// The whole quad, drawn only over the pixels under the texels that can have
// alpha: elsewhere the texture's alpha is 0 and the blend would keep every pixel
// as it is. The quad itself is unchanged, so the pixels drawn are exactly those
// of the plain quad; the rectangles are disjoint, so none is blended twice.
void drawVisiblePart(const ViewBox& view, const Texture& texture) {
    const TexelBox& box = texture.visibleBox();
    const SavedScissor scissor;
    for (const PixelSpan& y : pixelSpans(view[1], view[3], box.y, texture.levelHeight())) {
        for (const PixelSpan& x : pixelSpans(view[0], view[2], box.x, texture.levelWidth())) {
            scissor.limitTo(x, y);
            drawWholeView();
        }
    }
    setUnitQuadCurrentValues(); // as the quad leaves them, drawn or not
}

void drawPicture(const Texture& texture) {
    const ViewBox view = viewport();
    if (!magnifiedIn(view, texture)) {
        drawWholeView();
        return;
    }
    const LinearSampling sampling;
    if (alphaComesFromTexture())
        drawVisiblePart(view, texture);
    else
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
