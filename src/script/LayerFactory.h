#pragma once

#include "layers/Layer.h"

#include <memory>
#include <string>

// Makes a layer from a script block's class name (exact, case-sensitive); the
// argument is handed to the classes that take one. Null for an unknown name.
std::unique_ptr<Layer> createLayer(const std::string& className, const std::string& argument);
