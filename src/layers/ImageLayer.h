#pragma once

#include "layers/Layer.h"

class Texture;

// A picture from the archive over the whole view, alpha-blended. The layer sets no
// colour: under the GL_REPLACE texture environment that texture creation leaves
// in force, an RGBA picture brings its own alpha and an RGB picture takes the
// alpha of the current colour as earlier drawing left it.
//
// A picture smaller than the view is only ever magnified: it is then sampled
// without level selection and, where its alpha decides the blend, drawn only
// over the pixels its alpha can reach. The pixels are those of the whole quad
// drawn plainly; the texture's filter and the scissor are left as they were.
//
// Leaves behind: the model-view matrix at the identity, the picture's texture
// bound, depth test, depth writes and lighting on, blending off.
class ImageLayer : public Layer {
public:
    void render(uint32_t time) override;
    // Nothing to do: rendering keeps no state of its own.
    void advance(uint32_t) override {}
    // FILE: the picture, through the texture cache. One that cannot be loaded
    // shows "Could not load <name>", asks the show to end (-1) and leaves the
    // layer without a picture, so it draws nothing.
    void setParamString(ParamId code, const std::string& value) override;
    // SHOW: 0 hides, anything else shows.
    void setParamInt(ParamId code, int32_t value) override;
    // OPAC: stored only; the drawing does not use it.
    void setParamFloat(ParamId code, float value) override;

protected:
    // The picture; null until FILE names one that loads. Owned by the cache.
    Texture* texture() const { return texture_; }

private:
    float opacity_ = 0.0f;
    Texture* texture_ = nullptr;
    bool visible_ = true;
};
