#include "Typeface.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <vector>

namespace pictures {

namespace {

std::vector<uint32_t> decodeUtf8(const std::string& text) {
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        uint32_t code = extra == 0 ? lead : lead & (0x3Fu >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        codes.push_back(code);
        i += static_cast<size_t>(extra) + 1;
    }
    return codes;
}

} // namespace

Typeface::Typeface(const std::string& fontPath) {
    if (FT_Init_FreeType(&library_) != 0) {
        library_ = nullptr;
        return;
    }
    if (FT_New_Face(library_, fontPath.c_str(), 0, &face_) != 0)
        face_ = nullptr;
}

Typeface::~Typeface() {
    if (face_)
        FT_Done_Face(face_);
    if (library_)
        FT_Done_FreeType(library_);
}

template <typename Visit>
float Typeface::layout(const std::string& utf8, float sizeX, float sizeY, float trackingX,
                       Visit visit) const {
    FT_Set_Char_Size(face_, static_cast<FT_F26Dot6>(sizeX * 64.0f),
                     static_cast<FT_F26Dot6>(sizeY * 64.0f), 72, 72);
    float pen = 0.0f;
    FT_UInt previous = 0;
    bool first = true;
    for (const uint32_t code : decodeUtf8(utf8)) {
        const FT_UInt glyph = FT_Get_Char_Index(face_, code);
        if (previous != 0 && FT_HAS_KERNING(face_)) {
            FT_Vector kerning{};
            FT_Get_Kerning(face_, previous, glyph, FT_KERNING_UNFITTED, &kerning);
            pen += static_cast<float>(kerning.x) / 64.0f;
        }
        if (!first)
            pen += trackingX;
        first = false;
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_HINTING) != 0)
            continue;
        visit(face_->glyph, pen);
        pen += static_cast<float>(face_->glyph->linearHoriAdvance) / 65536.0f;
        previous = glyph;
    }
    return pen;
}

float Typeface::measure(const std::string& utf8, float size, float tracking) const {
    return layout(utf8, size, size, tracking, [](FT_GlyphSlot, float) {});
}

float Typeface::sizeFor(const std::string& utf8, float width) const {
    const float reference = 100.0f;
    return width / measure(utf8, reference) * reference;
}

void Typeface::set(Mask& mask, const std::string& utf8, float centreX, float baselineY, float size,
                   float tracking) const {
    const View& view = mask.view();
    const float sizeX = size / view.scaleX;
    const float sizeY = size / view.scaleY;
    const float trackingX = tracking / view.scaleX;
    const float width = layout(utf8, sizeX, sizeY, trackingX, [](FT_GlyphSlot, float) {});
    const float startX = centreX / view.scaleX - width * 0.5f;
    const float baseline = baselineY / view.scaleY;
    const float baseRow = std::floor(baseline);

    layout(utf8, sizeX, sizeY, trackingX, [&](FT_GlyphSlot slot, float pen) {
        // Shift the outline by the pen's fraction of a pixel, so letters keep
        // their true spacing instead of snapping to whole pixels.
        const float x = startX + pen;
        const float column = std::floor(x);
        FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>((x - column) * 64.0f),
                             static_cast<FT_Pos>(-(baseline - baseRow) * 64.0f));
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int left = static_cast<int>(column) + slot->bitmap_left;
        const int top = static_cast<int>(baseRow) - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int px = left + static_cast<int>(col);
                const int py = top + static_cast<int>(row);
                if (px < 0 || py < 0 || px >= mask.width() || py >= mask.height())
                    continue;
                const float value = bitmap.buffer[row * bitmap.pitch + col] / 255.0f;
                mask.at(px, py) = std::max(mask.at(px, py), value);
            }
        }
    });
}

} // namespace pictures
