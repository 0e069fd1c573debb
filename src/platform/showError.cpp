#include "platform/showError.h"

#include "platform/Platform.h"

#include <cstdarg>
#include <cstdio>

void showError(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    showMessageBox(nullptr, text, "Error", MB_OK);
}
