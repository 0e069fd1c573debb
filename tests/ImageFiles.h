// Picture files made in memory by the tests, with the same libraries the readers
// use (and by hand for BMP), so every expected pixel is known.
#pragma once

#include "ArchiveWriter.h"

#include <string>

struct PngOptions {
    bool interlaced = false;
    // Adds a suggested palette (PLTE chunk) to an RGB image.
    bool suggestedPalette = false;
};

// A PNG of a libpng colour type and bit depth. samples: rows top-down as the file
// stores them, 16-bit samples big-endian; palette images index a grey ramp.
Bytes encodePng(int width, int height, int colorType, int bitDepth, const Bytes& samples,
                const PngOptions& options = {});

// A baseline JPEG from CMYK (4 components), RGB (3, JFIF) or grey (1, JFIF) rows,
// top-down.
Bytes encodeJpeg(int width, int height, int components, const Bytes& samples, int quality = 95);

// A 24-bit bottom-up BMP from RGB rows, top-down; rows padded to four bytes and,
// when fileSize is larger than needed, zeros appended to reach it.
Bytes encodeBmp(int width, int height, const Bytes& rgb, size_t fileSize = 0);

// Writes RGBA rows, bottom-up as OpenGL reads them, to a PNG file for looking at.
bool writeRgbaPng(const std::string& path, int width, int height, const Bytes& rgba);
