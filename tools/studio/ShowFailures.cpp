#include "studio/ShowFailures.h"

#include "platform/Platform.h"

#include <cstdio>

ShowFailures::ShowFailures() {
    setMessageBoxForTesting([this](const std::string& text, const std::string& caption, int style) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        if (style == MB_YESNO)
            return IDNO;
        if (!failed_)
            message_ = text;
        failed_ = true;
        return IDOK;
    });
    setShowFailureHook([this](int code) {
        if (!failed_)
            message_ = "the show asked to end (exit code " + std::to_string(code) + ")";
        failed_ = true;
    });
}

ShowFailures::~ShowFailures() {
    setMessageBoxForTesting(nullptr);
    setShowFailureHook(nullptr);
}

bool ShowFailures::take(std::string& message) {
    if (!failed_)
        return false;
    message = message_;
    message_.clear();
    failed_ = false;
    return true;
}

void dropQuitRequests() {
    int code = 0;
    while (takeQuitMessage(&code)) {
    }
}
