#include "script/LayerFactory.h"

#include "effects/Anim3dsPlayer.h"
#include "effects/Butterflies.h"
#include "effects/RenderWarper.h"
#include "layers/ClearLayer.h"

std::unique_ptr<Layer> createLayer(const std::string& className, const std::string& argument) {
    if (className == "ClearLayer")
        return std::make_unique<ClearLayer>();
    if (className == "RenderWarper")
        return std::make_unique<RenderWarper>();
    if (className == "Anim3dsPlayer")
        return std::make_unique<Anim3dsPlayer>(argument);
    if (className == "Butterflies")
        return std::make_unique<Butterflies>();
    return nullptr;
}
