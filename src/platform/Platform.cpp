#include "platform/Platform.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <utility>

namespace {

MessageBoxHook& messageBoxHook() {
    static MessageBoxHook hook;
    return hook;
}

std::function<uint32_t()>& clockHook() {
    static std::function<uint32_t()> hook;
    return hook;
}

ShowFailureHook& showFailureHook() {
    static ShowFailureHook hook;
    return hook;
}

std::deque<int>& quitQueue() {
    static std::deque<int> queue;
    return queue;
}

uint32_t randomState = 1;

void printBox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

} // namespace

int showMessageBox(SDL_Window* owner, const char* text, const char* caption, int style) {
    if (messageBoxHook())
        return messageBoxHook()(text, caption, style);

    const SDL_MessageBoxButtonData okButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"}};
    // SDL lists buttons right to left; Yes is the Return default, No the Escape one.
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"}};
    const bool question = style == MB_YESNO;
    // A failure's text also goes to standard error, where it stays after the box.
    if (!question)
        printBox(text, caption);
    SDL_MessageBoxData box{};
    box.flags = question ? SDL_MESSAGEBOX_INFORMATION : SDL_MESSAGEBOX_ERROR;
    box.window = owner;
    box.title = caption;
    box.message = text;
    box.numbuttons = question ? 2 : 1;
    box.buttons = question ? yesNoButtons : okButtons;
    int pressed = 0;
    if (SDL_ShowMessageBox(&box, &pressed) < 0) {
        // No display for a box: a question counts as No.
        if (question)
            printBox(text, caption);
        return question ? IDNO : IDOK;
    }
    if (pressed < 0) // closed without a button: counts as the Escape answer
        return question ? IDNO : IDOK;
    return pressed;
}

void postQuitMessage(int exitCode) {
    quitQueue().push_back(exitCode);
}

bool takeQuitMessage(int* exitCode) {
    if (quitQueue().empty())
        return false;
    *exitCode = quitQueue().front();
    quitQueue().pop_front();
    return true;
}

uint32_t milliseconds() {
    if (clockHook())
        return clockHook()();
    return SDL_GetTicks();
}

void exitProcess(int code) {
    std::exit(code);
}

void endShowOnFailure(int code) {
    if (!showFailureHook())
        exitProcess(code);
    showFailureHook()(code);
}

void setShowFailureHook(ShowFailureHook hook) {
    showFailureHook() = std::move(hook);
}

std::string executableDirectory() {
    char* path = SDL_GetBasePath();
    const std::string directory = path ? path : "";
    SDL_free(path);
    return directory;
}

int runtimeRand() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}

void runtimeSrand(uint32_t seed) {
    randomState = seed;
}

void setMessageBoxForTesting(MessageBoxHook hook) {
    messageBoxHook() = std::move(hook);
}

void setClockForTesting(std::function<uint32_t()> clock) {
    clockHook() = std::move(clock);
}

void clearQuitMessagesForTesting() {
    quitQueue().clear();
}
