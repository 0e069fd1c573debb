#include "app/LibraryWarmUp.h"

#include <dlfcn.h>

LibraryWarmUp::LibraryWarmUp(const std::string& library) {
    if (library.empty())
        return;
    // Local to the library: the later load makes its symbols global if it asks to.
    loading_ = true;
    thread_ = std::thread([this, library] {
        handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        loading_ = false;
    });
}

LibraryWarmUp::~LibraryWarmUp() {
    finish();
    if (handle_)
        dlclose(handle_);
}

void LibraryWarmUp::finish() {
    if (thread_.joinable())
        thread_.join();
}
