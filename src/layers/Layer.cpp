#include "layers/Layer.h"

void Layer::setParamString(ParamId, const std::string&) {}

void Layer::setParamInt(ParamId, int32_t) {}

void Layer::setParamFloat(ParamId, float) {}
