#include "script/LayerFactory.h"

#include "effects/Anim3dsPlayer.h"
#include "effects/Butterflies.h"
#include "effects/Grass.h"
#include "effects/RenderWarper.h"
#include "layers/ClearLayer.h"
#include "layers/Fader.h"
#include "layers/ImageLayer.h"
#include "layers/ImageScroller.h"

std::unique_ptr<Layer> createLayer(const std::string& className, const std::string& argument) {
    if (className == "ImageLayer")
        return std::make_unique<ImageLayer>();
    if (className == "ClearLayer")
        return std::make_unique<ClearLayer>();
    if (className == "Grass")
        return std::make_unique<Grass>();
    if (className == "RenderWarper")
        return std::make_unique<RenderWarper>();
    if (className == "Anim3dsPlayer")
        return std::make_unique<Anim3dsPlayer>(argument);
    if (className == "ImageScroller")
        return std::make_unique<ImageScroller>();
    if (className == "Butterflies")
        return std::make_unique<Butterflies>();
    if (className == "Fader")
        return std::make_unique<Fader>();
    return nullptr;
}
