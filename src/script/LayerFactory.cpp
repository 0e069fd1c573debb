#include "script/LayerFactory.h"

#include "effects/Grass.h"
#include "layers/ClearLayer.h"
#include "layers/Fader.h"
#include "layers/ImageLayer.h"
#include "layers/ImageScroller.h"

std::unique_ptr<Layer> createLayer(const std::string& className, const std::string& argument) {
    (void)argument; // taken by the 3DS player once it exists
    if (className == "ImageLayer")
        return std::make_unique<ImageLayer>();
    if (className == "ClearLayer")
        return std::make_unique<ClearLayer>();
    if (className == "Grass")
        return std::make_unique<Grass>();
    if (className == "ImageScroller")
        return std::make_unique<ImageScroller>();
    if (className == "Fader")
        return std::make_unique<Fader>();
    return nullptr;
}
