// MP3 output through LAME.
#pragma once

#include "StereoBuffer.h"

#include <string>

// Writes the buffer as constant-bit-rate stereo MP3 at the synthesiser's
// rate, with LAME's info frame first so that decoders can trim the encoder's
// delay and padding. Returns false when encoding or writing fails.
bool writeMp3(const StereoBuffer& buffer, const std::string& path, int kilobitsPerSecond);
