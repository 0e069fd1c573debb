#include "studio/EglShowContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>

namespace {

// The surfaceless display, initialised once for the process and kept.
EGLDisplay surfacelessDisplay() {
    static EGLDisplay display = [] {
        // Mesa's software rasteriser even where a GPU is present, so that every
        // machine draws the same pixels. A value set from outside wins.
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

EGLConfig chooseConfig(EGLDisplay display) {
    // The surfaceless platform offers pbuffer configurations; no pbuffer is made.
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return nullptr;
    return config;
}

} // namespace

EglShowContext::~EglShowContext() {
    close();
}

void EglShowContext::makeCurrent() {
    eglMakeCurrent(surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
}

bool EglShowContext::makeContext() {
    EGLDisplay display = surfacelessDisplay();
    if (display == EGL_NO_DISPLAY) {
        failure_ = "no EGL surfaceless display (Mesa's libegl-mesa0 and libgl1-mesa-dri?)";
        return false;
    }
    EGLConfig config = chooseConfig(display);
    if (!config || !eglBindAPI(EGL_OPENGL_API)) {
        failure_ = "no EGL configuration for desktop OpenGL";
        return false;
    }
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (context_ == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
        failure_ = "could not make an EGL context current, error " + std::to_string(eglGetError());
        dropContext();
        return false;
    }
    return true;
}

void EglShowContext::dropContext() {
    EGLDisplay display = surfacelessDisplay();
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != EGL_NO_CONTEXT)
        eglDestroyContext(display, context_);
    context_ = EGL_NO_CONTEXT;
}
