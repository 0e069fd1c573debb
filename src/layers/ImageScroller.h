#pragma once

#include "layers/ImageLayer.h"

// The picture as a horizontal band whose texture scrolls sideways with time, one
// texture width every `divisor` milliseconds (a negative divisor scrolls the other
// way). Blinking (the default) it shows for the first 21 ms of every 100, 4.5
// texture widths across the view, added onto the picture (source alpha, one).
// Once BLNK has switched blinking off it draws a band twenty views long, so the
// view shows its first 0.225 texture width, without blending; the texture's edge
// is repeated once the band has scrolled past it.
//
// Leaves behind: the model-view matrix at the identity, the picture bound with
// repeat wrapping, the current colour (1, 1, 1, 0.5), depth writes and lighting
// on, blending off; the depth test as it was. SHOW is stored but not consulted.
class ImageScroller : public ImageLayer {
public:
    void render(uint32_t time) override;
    // DIVI: milliseconds per texture width (0 and NaN are ignored); BLNK: blinking off for
    // good, whatever the value; others as ImageLayer.
    void setParamFloat(ParamId code, float value) override;

private:
    bool hiddenByBlink(uint32_t time) const;
    void drawBand(uint32_t time) const;

    float divisor_ = 2000.0f;
    bool blink_ = true;
};
