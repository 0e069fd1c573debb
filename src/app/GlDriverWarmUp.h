// Loads Mesa's GL driver on a thread of its own while the caller starts SDL's
// video system, so that making the first window's context finds the driver (and
// LLVM, which it links) already mapped and relocated: on a machine without a GPU
// that loading is the largest single step of start-up. Mesa's drivers are one
// file under many names, so loading one warms whichever Mesa driver the window
// uses. Nothing is reported: where the file is missing or does not load, the
// window loads its driver itself, as it would have.
#pragma once

#include "app/LibraryWarmUp.h"

#include <string>

class GlDriverWarmUp : public LibraryWarmUp {
public:
    GlDriverWarmUp() : LibraryWarmUp(driverPath()) {}

    // The driver's file: the first folder of LIBGL_DRIVERS_PATH (as Mesa reads
    // it) or else the "dri" folder beside the GL library the program links.
    // Empty when neither is known.
    static std::string driverPath();
};
