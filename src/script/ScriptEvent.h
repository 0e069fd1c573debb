#pragma once

#include "layers/Layer.h"

#include <cstdint>
#include <string>

enum class ValueType : int32_t { Int = 0, Float = 1, String = 2 };

// One event line of a script block: at local time `time` the layer receives
// `code` with the value of the given type (the other two values stay empty).
struct ScriptEvent {
    uint32_t time = 0;
    ParamId code = 0;
    ValueType type = ValueType::Int;
    int32_t intValue = 0;
    float floatValue = 0.0f;
    std::string stringValue;
};
