#include "layers/ClearLayer.h"

#include <GL/gl.h>

void ClearLayer::render(uint32_t) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void ClearLayer::setParamInt(ParamId code, int32_t value) {
    if (code != param::RGBA) {
        Layer::setParamInt(code, value);
        return;
    }
    const auto bits = static_cast<uint32_t>(value);
    glClearColor(static_cast<float>(bits & 0xFF), static_cast<float>(bits >> 8 & 0xFF),
                 static_cast<float>(bits >> 16 & 0xFF), static_cast<float>(bits >> 24 & 0xFF));
}
