// The rows and columns of an RGBA picture that hold any alpha other than 0.
#pragma once

#include <cstdint>

// Columns left..right and rows bottom..top, all included (rows counted as
// stored); right and top are -1 when no pixel has alpha.
struct AlphaBounds {
    int32_t left;
    int32_t right;
    int32_t bottom;
    int32_t top;
};

// The bounds of tightly packed RGBA rows. The first and last rows with alpha are
// searched from either end; between them a row is searched only outside the
// columns already known to hold alpha, so an opaque picture costs a pixel or two
// per row rather than all of them.
AlphaBounds alphaBounds(const unsigned char* pixels, int32_t width, int32_t height);

// The same bounds from every pixel in turn: the plain reference that
// alphaBounds is tested against.
AlphaBounds plainAlphaBounds(const unsigned char* pixels, int32_t width, int32_t height);
