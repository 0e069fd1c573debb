#include "layers/ImageLayer.h"

#include "layers/FlatView.h"
#include "platform/Platform.h"
#include "platform/showError.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <array>

namespace {

// Drawn over the whole view, a picture whose level 0 is smaller than the view in
// both directions is only ever magnified, so its mipmaps are never read and the
// minification filter never chosen. Sampling it with a plain linear filter then
// gives the same pixels while the rasteriser skips the level selection. The
// bound texture's own minification filter is put back at the end of the scope.
class MagnifiedSampling {
public:
    explicit MagnifiedSampling(const Texture& texture) {
        std::array<GLint, 4> view{};
        glGetIntegerv(GL_VIEWPORT, view.data());
        if (texture.levelWidth() >= view[2] || texture.levelHeight() >= view[3])
            return;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &saved_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        changed_ = true;
    }
    ~MagnifiedSampling() {
        if (changed_)
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, saved_);
    }
    MagnifiedSampling(const MagnifiedSampling&) = delete;
    MagnifiedSampling& operator=(const MagnifiedSampling&) = delete;

private:
    GLint saved_ = GL_LINEAR_MIPMAP_LINEAR;
    bool changed_ = false;
};

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
    {
        const MagnifiedSampling sampling(*texture_);
        glBegin(GL_QUADS);
        emitUnitQuad();
        glEnd();
    }
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
