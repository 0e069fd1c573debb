#include "layers/Fader.h"

#include "layers/FlatView.h"

#include <GL/gl.h>

void Fader::render(uint32_t) {
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    pushFlatProjection(0.0f, 1.0f);
    glEnable(GL_COLOR_MATERIAL);
    // At opacity 0 (or below, which GL clamps to 0) the blend keeps every pixel
    // as it is, so the quad is not rasterised at all. The colour stays current
    // either way (colour tracking copies it into the material).
    glColor4f(red_, green_, blue_, opacity_);
    if (opacity_ <= 0.0f) {
        setUnitQuadCurrentValues();
    } else {
        glBegin(GL_QUADS);
        emitUnitQuad();
        glEnd();
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_BLEND);
    popFlatProjection();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}

void Fader::setParamFloat(ParamId code, float value) {
    switch (code) {
    case param::OPAC:
        opacity_ = value;
        break;
    case param::REDC:
        red_ = value;
        break;
    case param::GREN:
        green_ = value;
        break;
    case param::BLUE:
        blue_ = value;
        break;
    default:
        Layer::setParamFloat(code, value);
    }
}
