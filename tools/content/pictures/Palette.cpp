#include "Palette.h"

namespace pictures {

Rgba ColourRamp::at(float t) const {
    if (t <= stops_.front().at)
        return stops_.front().colour;
    for (size_t i = 1; i < stops_.size(); ++i) {
        if (t <= stops_[i].at) {
            const Stop& from = stops_[i - 1];
            const Stop& to = stops_[i];
            return mix(from.colour, to.colour, (t - from.at) / (to.at - from.at));
        }
    }
    return stops_.back().colour;
}

Rgba rgb8(int r, int g, int b, float alpha) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, alpha};
}

namespace palette {

const ColourRamp& lava() {
    static const ColourRamp ramp{{0.00f, rgb8(8, 2, 2)},      {0.35f, rgb8(60, 6, 4)},
                                 {0.55f, rgb8(150, 22, 6)},   {0.72f, rgb8(230, 80, 10)},
                                 {0.88f, rgb8(255, 170, 40)}, {1.00f, rgb8(255, 240, 170)}};
    return ramp;
}

const ColourRamp& dusk() {
    static const ColourRamp ramp{{0.00f, rgb8(6, 3, 10)},
                                 {0.45f, rgb8(40, 6, 14)},
                                 {0.75f, rgb8(110, 18, 16)},
                                 {0.92f, rgb8(200, 60, 24)},
                                 {1.00f, rgb8(250, 140, 60)}};
    return ramp;
}

Rgba lettering() {
    return rgb8(255, 226, 170);
}

Rgba glow() {
    return rgb8(220, 40, 12);
}

} // namespace palette

} // namespace pictures
