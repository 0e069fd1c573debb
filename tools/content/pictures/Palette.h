// Colour ramps and the show's colours: dark red dusk and lava glow.
#pragma once

#include "Canvas.h"

#include <initializer_list>
#include <vector>

namespace pictures {

class ColourRamp {
public:
    struct Stop {
        float at;
        Rgba colour;
    };

    ColourRamp(std::initializer_list<Stop> stops) : stops_(stops) {}

    // Colour at t, interpolated between the stops (which are in rising order).
    Rgba at(float t) const;

private:
    std::vector<Stop> stops_;
};

// Colour from 8-bit channel values.
Rgba rgb8(int r, int g, int b, float alpha = 1.0f);

namespace palette {
// Black crust through dark red to orange and a yellow-white core.
const ColourRamp& lava();
// Night sky through dusk red to the glow at the horizon.
const ColourRamp& dusk();
// The warm pale gold of the show's lettering.
Rgba lettering();
// The deep red glow that sits behind lettering.
Rgba glow();
} // namespace palette

} // namespace pictures
