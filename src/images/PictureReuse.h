// Decoded pictures kept for a process that starts the show afresh many times
// (the studio seeks back by starting over): while a PictureReuse lives, every
// picture ArchiveImageReader decodes is kept with the file bytes it came from,
// and a later load of the same name from the same bytes gets a copy of the
// pixels without decoding them again. A file that has changed since (a picture
// edited while the studio runs) is decoded anew. Scopes nest; what is kept goes
// when the last one ends. Without a scope nothing is kept.
#pragma once

#include "images/DecodedImage.h"

#include <cstddef>
#include <string>

class PictureReuse {
public:
    PictureReuse();
    ~PictureReuse();
    PictureReuse(const PictureReuse&) = delete;
    PictureReuse& operator=(const PictureReuse&) = delete;

    // Copies the picture kept for name into image when it was decoded from
    // exactly these bytes; false, image untouched, otherwise.
    static bool take(DecodedImage& image, const std::string& name, const unsigned char* bytes,
                     size_t size);
    // Keeps a copy of image, decoded from bytes, in place of what name had,
    // while a scope lives.
    static void keep(const std::string& name, const unsigned char* bytes, size_t size,
                     const DecodedImage& image);
};
