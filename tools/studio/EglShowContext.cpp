#include "studio/EglShowContext.h"

#include "platform/SurfacelessDisplay.h"

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
    EGLConfig config = surfacelessConfig(display, 8, 16);
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
