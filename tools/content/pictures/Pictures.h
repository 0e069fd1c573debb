// The show's pictures, one generator each. Every generator is deterministic:
// the same sources give the same pixels.
#pragma once

#include "Canvas.h"
#include "Typeface.h"

#include <string>

namespace pictures {

// The faces of DejaVu the pictures set their text in.
struct Fonts {
    explicit Fonts(const std::string& directory);
    bool ready() const { return bold.ready() && regular.ready() && condensedBold.ready(); }

    Typeface bold;
    Typeface regular;
    Typeface condensedBold;
};

// The show draws most pictures stretched over its 800 x 600 screen; such
// pictures are designed in screen pixels.
constexpr float kScreenWidth = 800.0f;
constexpr float kScreenHeight = 600.0f;
inline View fullScreenView(int width, int height) {
    return {kScreenWidth / width, kScreenHeight / height};
}

// Title, credits, greetings and closing cards, and the "IMPACT" flash.
Canvas titleCard(const Fonts& fonts);
Canvas creditsCard(const Fonts& fonts);
Canvas greetingsCard(const Fonts& fonts);
Canvas outroCard(const Fonts& fonts);
Canvas impactCard(const Fonts& fonts);

// The eye, its scrolling banner, and the bars above and below it.
Canvas eye();
Canvas eyeBanner(const Fonts& fonts);
Canvas upperBar();
Canvas lowerBar();

Canvas hand();
Canvas butterfly();

// Tiling dark red surfaces for the grass blades and the 3D scenes.
Canvas bladeSurface();
Canvas brushedMetal();
Canvas polishedStone();
Canvas donutGlaze();

// The six faces of the lava environment cube map.
enum class CubeFace { PositiveX, NegativeX, PositiveY, NegativeY, PositiveZ, NegativeZ };
Canvas lavaFace(CubeFace face);

// The program's icon for desktops, made from the butterfly and the lava.
Canvas icon();

} // namespace pictures
