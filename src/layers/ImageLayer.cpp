#include "layers/ImageLayer.h"

#include "layers/FlatView.h"
#include "platform/Platform.h"
#include "platform/showError.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

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
    glBegin(GL_QUADS);
    emitUnitQuad();
    glEnd();
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
