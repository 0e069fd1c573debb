#include "app/GlDriverWarmUp.h"

#include <dlfcn.h>
#include <limits.h>

#include <cstdlib>

namespace {

// Mesa's software driver; the hardware drivers of the same build are links to it.
constexpr const char* DRIVER_FILE = "/swrast_dri.so";
// The GL libraries the program links, one of which is loaded before main.
constexpr const char* GL_LIBRARIES[] = {"libOpenGL.so.0", "libGL.so.1"};

std::string linkedGlFolder() {
    for (const char* library : GL_LIBRARIES) {
        void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
        if (!handle)
            continue;
        char folder[PATH_MAX] = {};
        const bool found = dlinfo(handle, RTLD_DI_ORIGIN, folder) == 0;
        dlclose(handle);
        if (found && folder[0] != '\0')
            return folder;
    }
    return std::string();
}

} // namespace

std::string GlDriverWarmUp::driverPath() {
    if (const char* paths = getenv("LIBGL_DRIVERS_PATH")) {
        const std::string list(paths);
        const std::string first = list.substr(0, list.find(':'));
        if (!first.empty())
            return first + DRIVER_FILE;
    }
    const std::string folder = linkedGlFolder();
    return folder.empty() ? folder : folder + "/dri" + DRIVER_FILE;
}
