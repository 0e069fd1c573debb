#include "support/OffscreenContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdlib>

namespace {

// The surfaceless display, initialised once for the process and kept.
EGLDisplay surfacelessDisplay(std::string& failure) {
    static EGLDisplay display = [] {
        // Mesa's software rasteriser even where a GPU is present, so that every
        // machine renders the same pixels. A value set from outside wins.
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
    if (display == EGL_NO_DISPLAY)
        failure = "no EGL surfaceless display (Mesa's libegl-mesa0 and libgl1-mesa-dri?)";
    return display;
}

EGLConfig chooseConfig(EGLDisplay display) {
    // clang-format off
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 16, EGL_NONE};
    // clang-format on
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return nullptr;
    return config;
}

} // namespace

OffscreenContext::OffscreenContext() {
    EGLDisplay display = surfacelessDisplay(failure_);
    if (display == EGL_NO_DISPLAY)
        return;
    EGLConfig config = chooseConfig(display);
    if (!config || !eglBindAPI(EGL_OPENGL_API)) {
        failure_ = "no EGL configuration for desktop OpenGL with RGBA8 and depth 16";
        return;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, WIDTH, EGL_HEIGHT, HEIGHT, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display, config, surfaceAttributes);
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (surface_ == EGL_NO_SURFACE || context_ == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, surface_, surface_, context_)) {
        failure_ =
            "could not make an EGL pbuffer context current, error " + std::to_string(eglGetError());
        return;
    }
    glViewport(0, 0, WIDTH, HEIGHT);
}

OffscreenContext::~OffscreenContext() {
    std::string ignored;
    EGLDisplay display = surfacelessDisplay(ignored);
    if (display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != EGL_NO_CONTEXT)
        eglDestroyContext(display, context_);
    if (surface_ != EGL_NO_SURFACE)
        eglDestroySurface(display, surface_);
}
