#include "script/LayerFactory.h"

#include "layers/ClearLayer.h"

std::unique_ptr<Layer> createLayer(const std::string& className, const std::string& argument) {
    (void)argument; // taken by the 3DS player once it exists
    if (className == "ClearLayer")
        return std::make_unique<ClearLayer>();
    return nullptr;
}
