#include "effects/Grass.h"

#include "platform/Platform.h"
#include "platform/showError.h"
#include "textures/Texture.h"
#include "textures/TextureCache.h"

#include <array>

namespace {

constexpr uint32_t ROW_TIME_STEP_MS = 100;
constexpr float BLADE_LIFT = 0.8f;
constexpr float BLADE_SPACING = 2.0f;
constexpr float ARC_TURN_DEGREES = 20.0f;
constexpr float FAN_FIRST_DEGREES = 60.0f;
constexpr float FAN_STEP_DEGREES = 8.0f;
// From the end of one row back to the start of the next, one row further away.
constexpr float ROW_RETURN_X = -30.5f;
constexpr float ROW_STEP_Z = -3.0f;

void emitStrip(const BladeShape& shape) {
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < shape.count; ++i) {
        const BladeVertex& vertex = shape.vertices[i];
        glNormal3fv(vertex.normal.data());
        if (shape.textured)
            glTexCoord2fv(vertex.texCoord.data());
        glVertex3fv(vertex.position.data());
    }
    glEnd();
}

void enterTransparency() {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void leaveTransparency() {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

} // namespace

uint8_t opacityAlphaByte(float opacity) {
    const float product = opacity * 255.0f;
    // Written so that NaN fails it too.
    if (!(product >= -2147483648.0f && product < 2147483648.0f))
        return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(product) & 0xFF);
}

void Grass::load() {
    texture_ = TextureCache::get(TEXTURE_FILE);
    if (!texture_) {
        showError("Could not load %s", TEXTURE_FILE);
        postQuitMessage(-1);
    }
}

void Grass::render(uint32_t time) {
    glLoadIdentity();
    glTranslatef(-4.0f, -5.0f, -20.0f);
    glRotatef(angleX_, 1.0f, 0.0f, 0.0f);
    glRotatef(angleY_, 0.0f, 1.0f, 0.0f);
    glRotatef(angleZ_, 0.0f, 0.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, polygonMode_);
    setColour();
    glDisable(GL_CULL_FACE);
    std::array<GLuint, ROWS> lists;
    for (int row = 0; row < ROWS; ++row)
        lists[row] = buildBladeList(time + ROW_TIME_STEP_MS * row);
    // The state every blade is drawn with, set once rather than in each list.
    glEnable(GL_NORMALIZE);
    bindTexture();
    if (transparent_)
        enterTransparency();
    for (GLuint list : lists)
        placeRow(list);
    if (transparent_)
        leaveTransparency();
    glDisable(GL_NORMALIZE);
    for (GLuint list : lists)
        glDeleteLists(list, 1);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_COLOR_MATERIAL);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

GLuint Grass::buildBladeList(uint32_t time) const {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glTranslatef(0.0f, BLADE_LIFT, 0.0f);
    emitStrip(style_ == DIRC ? curlingBlade(time) : swayingBlade(time));
    glTranslatef(0.0f, -BLADE_LIFT, 0.0f);
    glEndList();
    return list;
}

void Grass::setColour() {
    colour_ = (colour_ & 0x00FFFFFFu) | static_cast<uint32_t>(opacityAlphaByte(opacity_)) << 24;
    const GLubyte bytes[4] = {static_cast<GLubyte>(colour_), static_cast<GLubyte>(colour_ >> 8),
                              static_cast<GLubyte>(colour_ >> 16),
                              static_cast<GLubyte>(colour_ >> 24)};
    glColor4ubv(bytes);
}

// Texture 0 when the picture is missing, so the blades really are untextured
// rather than wearing whatever an earlier layer left bound.
void Grass::bindTexture() const {
    if (texture_)
        texture_->bind();
    else
        glBindTexture(GL_TEXTURE_2D, 0);
}

void Grass::placeRow(GLuint list) const {
    for (int blade = 0; blade < BLADES_PER_ROW; ++blade) {
        if (groups_) {
            glCallList(list);
            glTranslatef(BLADE_SPACING, 0.0f, 0.0f);
            glRotatef(ARC_TURN_DEGREES, 0.0f, 1.0f, 0.0f);
        } else {
            const float lean = FAN_FIRST_DEGREES - FAN_STEP_DEGREES * static_cast<float>(blade);
            glRotatef(lean, 0.0f, 0.0f, 1.0f);
            glCallList(list);
            glRotatef(-lean, 0.0f, 0.0f, 1.0f);
            glTranslatef(BLADE_SPACING, 0.0f, 0.0f);
        }
    }
    glTranslatef(ROW_RETURN_X, 0.0f, ROW_STEP_Z);
}

void Grass::setParamString(ParamId code, const std::string& value) {
    if (code != param::TYPE) {
        Layer::setParamString(code, value);
        return;
    }
    if (value == "SINE")
        style_ = SINE;
    else if (value == "DIRC")
        style_ = DIRC;
}

void Grass::setParamInt(ParamId code, int32_t value) {
    switch (code) {
    case param::RGBC:
        colour_ = static_cast<uint32_t>(value);
        break;
    case param::WIRE:
        polygonMode_ = value != 0 ? GL_LINE : GL_FILL;
        break;
    case param::TRNS:
        transparent_ = value != 0;
        break;
    case param::GRPS:
        groups_ = value != 0;
        break;
    default:
        Layer::setParamInt(code, value);
    }
}

void Grass::setParamFloat(ParamId code, float value) {
    switch (code) {
    case param::OPAC:
        opacity_ = value;
        break;
    case param::XANG:
        angleX_ = value;
        break;
    case param::YANG:
        angleY_ = value;
        break;
    case param::ZANG:
        angleZ_ = value;
        break;
    default:
        Layer::setParamFloat(code, value);
    }
}
