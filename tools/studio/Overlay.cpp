#include "studio/Overlay.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>

namespace {

constexpr int PIXEL_SIZE = 15;
constexpr char FIRST_CHARACTER = ' ';
constexpr char LAST_CHARACTER = '~';
constexpr int ATLAS_COLUMNS = 16;
constexpr int ATLAS_ROWS = 6; // 96 cells hold the 95 printable characters
constexpr int MARGIN = 6;

int atlasCell(char c) {
    if (c < FIRST_CHARACTER || c > LAST_CHARACTER)
        c = '?';
    return c - FIRST_CHARACTER;
}

struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FontFace() {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

// The glyphs in cells of equal size, rows top-down.
struct Atlas {
    int cellWidth;
    int cellHeight;
    int ascender;
    int width = cellWidth * ATLAS_COLUMNS;
    std::vector<uint8_t> pixels =
        std::vector<uint8_t>(static_cast<size_t>(width) * cellHeight * ATLAS_ROWS, 0);

    // Copies a rendered glyph into its cell, on the cell's baseline.
    void place(const FT_GlyphSlot glyph, int cell) {
        const FT_Bitmap& bitmap = glyph->bitmap;
        const int cellX = cell % ATLAS_COLUMNS * cellWidth;
        const int cellY = cell / ATLAS_COLUMNS * cellHeight;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = ascender - glyph->bitmap_top + static_cast<int>(row);
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = glyph->bitmap_left + static_cast<int>(column);
                if (x >= 0 && x < cellWidth && y >= 0 && y < cellHeight)
                    pixels[static_cast<size_t>(cellY + y) * width + cellX + x] =
                        bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column];
            }
        }
    }
};

} // namespace

void usePixelCoordinates(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1); // y runs down, as text does
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

Overlay::Overlay(const std::string& fontPath) {
    FontFace font;
    if (FT_Init_FreeType(&font.library) ||
        FT_New_Face(font.library, fontPath.c_str(), 0, &font.face) ||
        FT_Set_Pixel_Sizes(font.face, 0, PIXEL_SIZE))
        return;
    const FT_Size_Metrics& metrics = font.face->size->metrics;
    Atlas atlas{static_cast<int>(metrics.max_advance >> 6), static_cast<int>(metrics.height >> 6),
                static_cast<int>(metrics.ascender >> 6)};
    for (char c = FIRST_CHARACTER; c <= LAST_CHARACTER; ++c) {
        if (!FT_Load_Char(font.face, static_cast<FT_ULong>(c), FT_LOAD_RENDER))
            atlas.place(font.face->glyph, atlasCell(c));
    }
    cellWidth_ = atlas.cellWidth;
    cellHeight_ = atlas.cellHeight;
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, atlas.width, cellHeight_ * ATLAS_ROWS, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, atlas.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

Overlay::~Overlay() {
    if (texture_)
        glDeleteTextures(1, &texture_);
}

int Overlay::columnsFor(int width) const {
    return cellWidth_ ? std::max(1, (width - 2 * MARGIN) / cellWidth_) : 1;
}

void Overlay::draw(const std::vector<std::string>& lines, int width, int height) const {
    if (!ready() || lines.empty())
        return;
    usePixelCoordinates(width, height);
    size_t columns = 0;
    for (const std::string& line : lines)
        columns = std::max(columns, line.size());
    drawBand(static_cast<int>(columns), static_cast<int>(lines.size()));
    drawText(lines);
}

void Overlay::drawBand(int columns, int rows) const {
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    glRecti(0, 0, columns * cellWidth_ + 2 * MARGIN, rows * cellHeight_ + 2 * MARGIN);
}

void Overlay::drawText(const std::vector<std::string>& lines) const {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const float cellS = 1.0f / ATLAS_COLUMNS;
    const float cellT = 1.0f / ATLAS_ROWS;
    glBegin(GL_QUADS);
    for (size_t row = 0; row < lines.size(); ++row) {
        const int top = MARGIN + static_cast<int>(row) * cellHeight_;
        for (size_t column = 0; column < lines[row].size(); ++column) {
            const int cell = atlasCell(lines[row][column]);
            const float s = static_cast<float>(cell % ATLAS_COLUMNS) * cellS;
            const float t = static_cast<float>(cell / ATLAS_COLUMNS) * cellT;
            const int left = MARGIN + static_cast<int>(column) * cellWidth_;
            glTexCoord2f(s, t);
            glVertex2i(left, top);
            glTexCoord2f(s, t + cellT);
            glVertex2i(left, top + cellHeight_);
            glTexCoord2f(s + cellS, t + cellT);
            glVertex2i(left + cellWidth_, top + cellHeight_);
            glTexCoord2f(s + cellS, t);
            glVertex2i(left + cellWidth_, top);
        }
    }
    glEnd();
}
