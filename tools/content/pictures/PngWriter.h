// Writes a canvas as an 8-bit PNG, colour type RGB or RGBA, no palette.
#pragma once

#include "Canvas.h"

#include <string>

namespace pictures {

enum class Channels { Rgb = 3, Rgba = 4 };

// Rows are written top row first. An RGB file drops the alpha channel: its
// pictures are opaque. Returns false when the file cannot be written.
bool writePng(const std::string& path, const Canvas& canvas, Channels channels);

} // namespace pictures
