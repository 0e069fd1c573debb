#include "platform/SurfacelessDisplay.h"

#include <EGL/eglext.h>

#include <cstdlib>

EGLDisplay surfacelessDisplay() {
    static EGLDisplay display = [] {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay)
            return EGL_NO_DISPLAY;
        EGLDisplay made =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (made != EGL_NO_DISPLAY && !eglInitialize(made, nullptr, nullptr))
            return EGL_NO_DISPLAY;
        return made;
    }();
    return display;
}

EGLConfig surfacelessConfig(EGLDisplay display, EGLint colourBits, EGLint depthBits) {
    // clang-format off
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, colourBits, EGL_GREEN_SIZE, colourBits, EGL_BLUE_SIZE, colourBits,
        EGL_ALPHA_SIZE, colourBits, EGL_DEPTH_SIZE, depthBits, EGL_NONE};
    // clang-format on
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return nullptr;
    return config;
}
