#include "script/LayerFactory.h"

#include "effects/Grass.h"
#include "layers/ClearLayer.h"
#include "layers/Fader.h"
#include "layers/ImageLayer.h"
#include "layers/ImageScroller.h"

#include <gtest/gtest.h>

namespace {

template <typename Class>
bool makes(const std::string& className) {
    const std::unique_ptr<Layer> layer = createLayer(className, "");
    return layer && typeid(*layer) == typeid(Class);
}

} // namespace

TEST(LayerFactoryTest, MakesEachClassByItsExactName) {
    EXPECT_TRUE(makes<ImageLayer>("ImageLayer"));
    EXPECT_TRUE(makes<ClearLayer>("ClearLayer"));
    EXPECT_TRUE(makes<Grass>("Grass"));
    EXPECT_TRUE(makes<ImageScroller>("ImageScroller"));
    EXPECT_TRUE(makes<Fader>("Fader"));
    for (const char* near : {"fader", "Fader ", "Grass\t", "GRASS", "ImageLayers", "Image", ""})
        EXPECT_EQ(createLayer(near, ""), nullptr) << near;
}
