#include "layers/ImageScroller.h"

#include "layers/FlatView.h"
#include "textures/Texture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// Blinking: visible while the time within each 100 ms is at most this.
constexpr uint32_t BLINK_PERIOD_MS = 100;
constexpr uint32_t BLINK_VISIBLE_MS = 20;
// Texture widths between the band's two ends.
constexpr float BAND_TEXTURE_WIDTHS = 4.5f;
// The band spans y 0 to 1 in a view of x 0 to 1 and y bottom to top; its length
// is in view widths.
constexpr float BLINKING_BOTTOM = -2.7f;
constexpr float BLINKING_TOP = 3.3f;
constexpr float BLINKING_LENGTH = 1.0f;
constexpr float STEADY_BOTTOM = -4.0f;
constexpr float STEADY_TOP = 3.0f;
constexpr float STEADY_LENGTH = 20.0f;

void setWrapping(GLint mode) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, mode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, mode);
}

} // namespace

void ImageScroller::render(uint32_t time) {
    if (hiddenByBlink(time) || !texture())
        return;
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    texture()->bind();
    if (blink_) {
        glEnable(GL_BLEND);
        pushFlatProjection(BLINKING_BOTTOM, BLINKING_TOP);
    } else {
        // The edge texel repeated past the end (plain GL_CLAMP would blend in the
        // texture's black border).
        setWrapping(GL_CLAMP_TO_EDGE);
        pushFlatProjection(STEADY_BOTTOM, STEADY_TOP);
    }
    drawBand(time);
    glDisable(GL_BLEND);
    popFlatProjection();
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
    if (!blink_)
        setWrapping(GL_REPEAT);
}

void ImageScroller::setParamFloat(ParamId code, float value) {
    switch (code) {
    case param::DIVI:
        // A divisor of 0 (or NaN) would put infinities or NaN into the texture
        // coordinates.
        if (value != 0.0f && !std::isnan(value))
            divisor_ = value;
        break;
    case param::BLNK:
        blink_ = false;
        break;
    default:
        ImageLayer::setParamFloat(code, value);
    }
}

bool ImageScroller::hiddenByBlink(uint32_t time) const {
    return blink_ && time % BLINK_PERIOD_MS > BLINK_VISIBLE_MS;
}

void ImageScroller::drawBand(uint32_t time) const {
    const float s0 = static_cast<float>(time) / divisor_;
    const float s1 = s0 + BAND_TEXTURE_WIDTHS;
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const float length = blink_ ? BLINKING_LENGTH : STEADY_LENGTH;
    glBegin(GL_TRIANGLE_STRIP);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(s1, 1.0f);
    glVertex3f(length, 1.0f, 0.0f);
    glTexCoord2f(s0, 1.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(s1, 0.0f);
    glVertex3f(length, 0.0f, 0.0f);
    glTexCoord2f(s0, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
}
