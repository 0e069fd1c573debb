#pragma once

#include "layers/Layer.h"

// Clears colour and depth. RGBA sets the clear colour at once: each byte is handed
// to OpenGL unscaled (0..255), so any non-zero byte means full intensity.
class ClearLayer : public Layer {
public:
    void render(uint32_t time) override;
    // Nothing to do: rendering keeps no state of its own.
    void advance(uint32_t) override {}
    void setParamInt(ParamId code, int32_t value) override;
};
