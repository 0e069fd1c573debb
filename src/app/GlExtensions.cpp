#include "app/GlExtensions.h"

#include <SDL.h>

namespace glext {
PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;
PFNGLLOCKARRAYSEXTPROC glLockArraysEXT = nullptr;
PFNGLUNLOCKARRAYSEXTPROC glUnlockArraysEXT = nullptr;
} // namespace glext

namespace {

// GLX hands out an address for any name, offered or not, so an entry point is
// only taken when the context lists its extension.
template <typename Pointer>
void fetch(Pointer& pointer, const char* name, bool offered) {
    pointer = offered ? reinterpret_cast<Pointer>(SDL_GL_GetProcAddress(name)) : nullptr;
}

} // namespace

void loadGlExtensions() {
    const bool multitexture = SDL_GL_ExtensionSupported("GL_ARB_multitexture");
    const bool compiledArrays = SDL_GL_ExtensionSupported("GL_EXT_compiled_vertex_array");
    fetch(glext::glMultiTexCoord2fARB, "glMultiTexCoord2fARB", multitexture);
    fetch(glext::glActiveTextureARB, "glActiveTextureARB", multitexture);
    fetch(glext::glClientActiveTextureARB, "glClientActiveTextureARB", multitexture);
    fetch(glext::glLockArraysEXT, "glLockArraysEXT", compiledArrays);
    fetch(glext::glUnlockArraysEXT, "glUnlockArraysEXT", compiledArrays);
}
