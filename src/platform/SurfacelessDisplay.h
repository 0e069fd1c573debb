// A display for OpenGL without any window system: EGL's surfaceless platform on
// Mesa, for rendering offscreen (the studio's frames, the tests). Mesa's software
// rasteriser is used even where a GPU is present, so that every machine draws
// the same pixels (LIBGL_ALWAYS_SOFTWARE, unless set from outside).
#pragma once

#include <EGL/egl.h>

// The display, initialised on first use and kept for the process; EGL_NO_DISPLAY
// when EGL or its surfaceless platform is missing.
EGLDisplay surfacelessDisplay();

// A configuration for desktop OpenGL that the surfaceless platform offers (its
// configurations are for pbuffers) with at least the given colour and depth bits
// per channel; null when there is none.
EGLConfig surfacelessConfig(EGLDisplay display, EGLint colourBits, EGLint depthBits);
