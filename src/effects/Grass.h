#pragma once

#include "effects/GrassBlade.h"
#include "layers/Layer.h"

#include <GL/gl.h>

#include <cstdint>

class Texture;

// A field of 15 × 15 grass blades in the wind, drawn in 3D through the current
// projection. Each frame compiles one display list per row, every row's blade
// shape 100 ms ahead of the row before so the rows sway out of phase, places 15
// copies of each and deletes the lists again. Rows are straight lines of blades
// fanned from leaning 60° to -52°, or (GRPS) arcs turning 20° after each blade.
//
// Leaves behind: the model-view matrix as the placing left it, texturing on, back-
// face culling on, filled polygons, colour tracking off, the current colour white,
// normalising off, the field's texture bound (no texture when it is missing);
// when transparent also depth test and depth writes on and blending off.
class Grass : public Layer {
public:
    enum Style : int32_t { SINE = 0, DIRC = 1 };
    static constexpr int ROWS = 15;
    static constexpr int BLADES_PER_ROW = 15;
    static constexpr const char* TEXTURE_FILE = "data\\2dunkelr.png";

    // Takes the blades' texture from the cache; when it cannot be loaded, shows
    // "Could not load data\2dunkelr.png" and asks the show to end (-1). Without
    // it the blades are drawn untextured.
    void load() override;
    void render(uint32_t time) override;
    // Nothing to do: rendering keeps no state of its own.
    void advance(uint32_t) override {}
    // TYPE: exactly "SINE" or "DIRC"; any other text leaves the style.
    void setParamString(ParamId code, const std::string& value) override;
    // RGBC: the packed colour (red in the lowest byte; the alpha byte is replaced
    // at each render), the only colour the layer sets: how much of it shows is up
    // to the lighting and texture environment in force; WIRE: outlines when non-zero; TRNS: blended
    // without depth test when non-zero; GRPS: arcs when non-zero.
    void setParamInt(ParamId code, int32_t value) override;
    // OPAC: the colour's alpha (times 255); XANG, YANG, ZANG: rotation of the
    // whole field about x, y and z in degrees.
    void setParamFloat(ParamId code, float value) override;

    Style style() const { return style_; }
    // The packed colour as last drawn: its alpha byte comes from OPAC.
    uint32_t colour() const { return colour_; }

    // The list of one blade at the given time: the texture, the blend and depth
    // state when transparent and the blade's strip, lifted 0.8 and set down again.
    GLuint buildBladeList(uint32_t time) const;

private:
    void setColour();
    void bindTexture() const;
    void placeRow(GLuint list) const;

    Texture* texture_ = nullptr;
    Style style_ = SINE;
    GLenum polygonMode_ = GL_FILL;
    uint32_t colour_ = 0;
    float opacity_ = 1.0f;
    bool transparent_ = true;
    float angleX_ = 0.0f;
    float angleY_ = 0.0f;
    float angleZ_ = 0.0f;
    bool groups_ = false;
};

// The alpha byte for an opacity: the low 8 bits of the integer part of
// opacity × 255, and 0 where that product does not fit a 32-bit integer (huge,
// infinite or NaN), whose conversion would be undefined.
uint8_t opacityAlphaByte(float opacity);
