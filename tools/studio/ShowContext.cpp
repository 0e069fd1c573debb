#define GL_GLEXT_PROTOTYPES
#include "studio/ShowContext.h"

#include <GL/gl.h>
#include <GL/glext.h>

namespace {

// Every matrix stack back to one identity matrix.
void resetMatrices() {
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    const auto reset = [](GLenum mode, GLenum depthQuery) {
        glMatrixMode(mode);
        GLint depth = 1;
        glGetIntegerv(depthQuery, &depth);
        for (; depth > 1; --depth)
            glPopMatrix();
        glLoadIdentity();
    };
    reset(GL_MODELVIEW, GL_MODELVIEW_STACK_DEPTH);
    reset(GL_PROJECTION, GL_PROJECTION_STACK_DEPTH);
    for (GLint unit = 0; unit < units; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        reset(GL_TEXTURE, GL_TEXTURE_STACK_DEPTH);
    }
}

// The bindings that no attribute group holds, as in a new context.
void resetBindings() {
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glUseProgram(0);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

} // namespace

bool ShowContext::renew() {
    if (made_ && putBackNewState())
        return true;
    close();
    if (!makeContext())
        return false;
    made_ = true;
    if (!framebuffer_.create(width_, height_)) {
        failure_ = framebuffer_.failure();
        return false;
    }
    keepNewState();
    return true;
}

// The settings of the new context, kept at the bottom of its attribute stacks
// for putBackNewState.
void ShowContext::keepNewState() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

// The state of the context as keepNewState found it: the attribute stacks popped
// to the bottom (what a run left there included), the matrices and bindings
// outside them reset, the errors read. False when the context is not fit to
// keep (an error that will not clear).
bool ShowContext::putBackNewState() {
    makeCurrent();
    glRenderMode(GL_RENDER);
    resetMatrices();
    resetBindings();
    framebuffer_.bind();
    GLint depth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    for (; depth > 0; --depth)
        glPopAttrib();
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &depth);
    for (; depth > 0; --depth)
        glPopClientAttrib();
    keepNewState();
    for (int errors = 0; glGetError() != GL_NO_ERROR; ++errors) {
        if (errors == 16)
            return false;
    }
    return true;
}

void ShowContext::close() {
    if (!made_)
        return;
    makeCurrent();
    framebuffer_.release();
    dropContext();
    made_ = false;
}
