// Text over the picture in play mode, drawn in the window's own context: lines of
// DejaVu Sans Mono, its printable ASCII set once by FreeType into a glyph atlas
// (a GPU texture), drawn as quads on a dark band at the top left.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

// Pixel coordinates for a width x height drawable, (0, 0) at the top left, with
// blending by the source's alpha: how the overlay's parts are drawn.
void usePixelCoordinates(int width, int height);

class Overlay {
public:
    // Sets the atlas up; needs the window's context current. Nothing is drawn
    // when the font cannot be read (see ready()).
    explicit Overlay(const std::string& fontPath);
    // Deletes the atlas; the window's context must be current.
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    bool ready() const { return texture_ != 0; }
    // The widest line that fits a drawable of this width, in characters.
    int columnsFor(int width) const;
    // Draws the lines into a width x height drawable; characters outside
    // printable ASCII show as '?'. Leaves blending on and the matrices changed.
    void draw(const std::vector<std::string>& lines, int width, int height) const;

private:
    void drawBand(int columns, int rows) const;
    void drawText(const std::vector<std::string>& lines) const;

    GLuint texture_ = 0;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
};
