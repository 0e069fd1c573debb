#include "effects/Butterflies.h"

#include "effects/ButterflySwarms.h"
#include "platform/Platform.h"
#include "platform/showError.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// One butterfly: a strip of six vertices, the body column at the base point and
// both wing columns moved by wing along z.
void emitButterfly(float x, float y, float z, float wing) {
    glBegin(GL_TRIANGLE_STRIP);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + 0.5f, y + 1.0f, z + wing);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + 0.5f, y, z + wing);
    glTexCoord2f(0.5f, 1.0f);
    glVertex3f(x, y + 1.0f, z);
    glTexCoord2f(0.5f, 0.0f);
    glVertex3f(x, y, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x - 0.5f, y + 1.0f, z + wing);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x - 0.5f, y, z + wing);
    glEnd();
}

void rotate(const Butterfly& butterfly, float sign) {
    glRotatef(sign * butterfly.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(sign * butterfly.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(sign * butterfly.angleZ, 0.0f, 0.0f, 1.0f);
}

// Blended, unlit, without depth and culling: the state both modes draw in.
void beginSwarm() {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
}

void endSwarm() {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
}

// The reverse rotations come without a matrix push or pop, so each butterfly
// draws under what the ones before it left of their rotations.
void drawRising(Butterfly& butterfly, uint32_t u) {
    const auto c = static_cast<float>(u + static_cast<uint32_t>(butterfly.phase));
    const float d = c * butterfly.speed;
    butterfly.x = std::sin(d * 0.005f) * 0.4f + butterfly.centerX;
    butterfly.z = std::cos(d * 0.007518797f) * 0.4f + butterfly.centerZ;
    butterfly.y = d * 0.00083333335f;
    rotate(butterfly, 1.0f);
    const float wing = std::sin(c * butterfly.speed * 0.004f) * 0.3f;
    emitButterfly(butterfly.x, butterfly.y, butterfly.z, wing);
    rotate(butterfly, -1.0f);
}

void drawKugel(const Butterfly& butterfly, uint32_t time, float spin, float radius) {
    rotate(butterfly, 1.0f);
    const auto t = static_cast<float>(time + static_cast<uint32_t>(butterfly.phase));
    const float wing = std::sin(t * butterfly.speed * 0.02f) * 0.3f;
    glRotatef(-spin, 2.0f, 3.0f, 1.0f);
    emitButterfly(butterfly.x * radius, butterfly.y * radius, butterfly.z * radius, wing);
    glRotatef(spin, 2.0f, 3.0f, 1.0f);
    rotate(butterfly, -1.0f);
}

// The whole value is "kugel", ignoring letter case.
bool isKugel(const std::string& mode) {
    const std::string kugel = "kugel";
    return std::equal(mode.begin(), mode.end(), kugel.begin(), kugel.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

} // namespace

void Butterflies::releaseGlObjects() {
    environment_.release();
}

void Butterflies::load() {
    texture_ = TextureCache::get("data\\schmettalyng.png");
    if (!texture_) {
        showError("Could not load data\\schmettalyng.png");
        postQuitMessage(-1);
    }
    if (!environment_.load("data\\lava")) {
        showError("Could not load data\\lava_*.png environment map");
        postQuitMessage(-1);
    }
}

void Butterflies::render(uint32_t time) {
    if (mode_ == KUGEL)
        renderKugel(time);
    else
        renderRising(time);
}

void Butterflies::advance(uint32_t time) {
    if (mode_ == KUGEL)
        turnKugel();
    else
        startRising(time);
}

RisingSwarm& Butterflies::startRising(uint32_t time) {
    if (timeOrigin_ == 0)
        timeOrigin_ = time;
    return risingSwarm();
}

float Butterflies::turnKugel() {
    kugelSwarm();
    return spinAngle() += 2.0f;
}

// Without its picture the swarm draws untextured rather than with whatever an
// earlier layer left bound.
void Butterflies::bindTexture() {
    if (texture_)
        texture_->bind();
    else
        glBindTexture(GL_TEXTURE_2D, 0);
}

void Butterflies::renderRising(uint32_t time) {
    RisingSwarm& swarm = startRising(time);
    const uint32_t u = (time - timeOrigin_) * 8;
    glLoadIdentity();
    glTranslatef(-1.0f, -10.0f, -3.0f);
    glRotatef(-35.0f, 1.0f, 0.0f, 0.0f);
    bindTexture();
    beginSwarm();
    // Before a later origin set by TMOF the swarm has not started yet (the
    // difference would wrap and fling it far away).
    if (time >= timeOrigin_)
        for (Butterfly& butterfly : swarm)
            drawRising(butterfly, u);
    endSwarm();
}

void Butterflies::renderKugel(uint32_t time) {
    glLoadIdentity();
    glTranslatef(-1.0f, -1.0f, -3.0f);
    glRotatef(-35.0f, 1.0f, 0.0f, 0.0f);
    beginSwarm();
    const float spin = turnKugel();
    const KugelSwarm& swarm = kugelSwarm();
    bindTexture();
    glRotatef(spin, 2.0f, 3.0f, 1.0f);
    glScalef(0.5f, 0.5f, 0.5f);
    for (const Butterfly& butterfly : swarm)
        drawKugel(butterfly, time, spin, radius_);
    glLoadIdentity();
    glTranslatef(-1.0f, -1.0f, -3.0f);
    glRotatef(-35.0f, 1.0f, 0.0f, 0.0f);
    endSwarm();
}

void Butterflies::setParamString(ParamId code, const std::string& value) {
    if (code == param::MODE)
        mode_ = isKugel(value) ? KUGEL : RISING;
    else
        Layer::setParamString(code, value);
}

void Butterflies::setParamInt(ParamId code, int32_t value) {
    if (code == param::TMOF)
        timeOrigin_ = static_cast<uint32_t>(value);
    else
        Layer::setParamInt(code, value);
}

void Butterflies::setParamFloat(ParamId code, float value) {
    if (code == param::RADM)
        radius_ = value;
    else
        Layer::setParamFloat(code, value);
}
