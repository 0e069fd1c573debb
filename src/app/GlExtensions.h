// Extension entry points fetched once while the context is current, for effects
// that want multitexturing or locked vertex arrays. Each is null when the driver
// does not offer its extension: test before calling.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

namespace glext {
extern PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
extern PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB;
extern PFNGLLOCKARRAYSEXTPROC glLockArraysEXT;
extern PFNGLUNLOCKARRAYSEXTPROC glUnlockArraysEXT;
} // namespace glext

// Fills the pointers above from the current context.
void loadGlExtensions();
