#pragma once

#include "layers/Layer.h"

// One flat, alpha-blended colour over the whole view, for fading the layers
// drawn before it to or from a colour. Opaque black until the script says
// otherwise; the values are stored unclamped (GL clamps when drawing).
//
// Leaves behind: the model-view matrix at the identity; texturing, depth test,
// depth writes and lighting on, blending off, whatever they were before; and,
// because the colour is set while colour tracking is on, the front and back
// ambient and diffuse material colours equal to the fader's colour and opacity.
class Fader : public Layer {
public:
    void render(uint32_t time) override;
    // Nothing to do: rendering keeps no state of its own.
    void advance(uint32_t) override {}
    // OPAC (opacity), REDC, GREN, BLUE (colour, 0 to 1).
    void setParamFloat(ParamId code, float value) override;

private:
    float opacity_ = 1.0f;
    float red_ = 0.0f;
    float green_ = 0.0f;
    float blue_ = 0.0f;
};
