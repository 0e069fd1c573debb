// Frames saved as pictures: the show's picture placed in a frame of any size
// with black bars (PictureGeometry.h), written as an 8-bit RGB PNG. The picture's
// alpha channel is dropped, as a window shows none.
#pragma once

#include "studio/PictureGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

// The RGB rows, top row first, of a frameWidth x frameHeight frame holding the
// picture (RGBA rows bottom-up, as OpenGL reads them) at rect.
std::vector<uint8_t> framedRgb(int frameWidth, int frameHeight, const PictureRect& rect,
                               const std::vector<uint8_t>& pictureRgba);

// Writes RGB rows, top row first. False when the file cannot be written.
bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
