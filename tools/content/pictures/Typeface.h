// Text set with a TrueType face through FreeType, as anti-aliased coverage.
#pragma once

#include "Canvas.h"

#include <string>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace pictures {

class Typeface {
public:
    // Opens the font file; check ready() before use.
    explicit Typeface(const std::string& fontPath);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    bool ready() const { return face_ != nullptr; }

    // Advance width of the text in design units at the given em size (in
    // design units), with tracking added between letters.
    float measure(const std::string& utf8, float size, float tracking = 0.0f) const;

    // The em size at which the text spans the given width.
    float sizeFor(const std::string& utf8, float width) const;

    // Sets one line of text into the mask, centred on centreX, with its
    // baseline at baselineY (design units). Letters are scaled per axis by the
    // mask's view, so they keep their shape once the picture is stretched.
    void set(Mask& mask, const std::string& utf8, float centreX, float baselineY, float size,
             float tracking = 0.0f) const;

private:
    // Walks the glyphs at pixel sizes (sizeX, sizeY); calls visit for each
    // with the pen position in pixels (26.6 fixed point) and returns the
    // total advance in pixels.
    template <typename Visit>
    float layout(const std::string& utf8, float sizeX, float sizeY, float trackingX,
                 Visit visit) const;

    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
};

} // namespace pictures
