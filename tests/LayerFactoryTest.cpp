#include "script/LayerFactory.h"

#include "effects/Butterflies.h"
#include "effects/Grass.h"
#include "layers/ClearLayer.h"
#include "layers/Fader.h"
#include "layers/ImageLayer.h"
#include "layers/ImageScroller.h"
#include "platform/Platform.h"
#include "script/DemoScript.h"

#include <gtest/gtest.h>

#include <cstdio>

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
    EXPECT_TRUE(makes<Butterflies>("Butterflies"));
    for (const char* near : {"fader", "Fader ", "Grass\t", "GRASS", "ImageLayers", "Image", ""})
        EXPECT_EQ(createLayer(near, ""), nullptr) << near;
}

TEST(LayerFactoryTest, TheClassLinesArgumentReachesThe3dsPlayer) {
    // The player loads its scene as it is made: a scene named by the argument
    // that is not there ends the process with a box that names it.
    const auto parseScene = [] {
        setMessageBoxForTesting([](const std::string& text, const std::string& caption, int) {
            std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
            return IDOK;
        });
        DemoScript script;
        script.parse("[a]\r\nAnim3dsPlayer:data\\no-such-scene\r\n0\r\n1\r\n@\r\n");
    };
    EXPECT_EXIT(parseScene(), testing::ExitedWithCode(255),
                "File not found: Could not load 'data\\\\no-such-scene'");
}
