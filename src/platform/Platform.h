// The few operating-system services the program uses, behind one small contract:
// message boxes, the quit request, the millisecond clock, process exit and the
// runtime's pseudo-random generator. (Resources linked into the executable are in
// Resources.h, which needs no SDL.)
// Tests replace the clock, the message box and the quit queue through the setters
// at the end, so they run without a display and at exact times. The studio
// replaces the message box too, to show failures in its own window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct SDL_Window;

// Message box styles and the buttons a box can return.
enum MessageBoxStyle { MB_OK = 0, MB_YESNO = 4 };
enum MessageBoxButton { IDOK = 1, IDYES = 6, IDNO = 7 };

// Shows a modal box and waits for the answer. Return answers Yes (or OK), Escape
// answers No. The text of an OK box also goes to standard error as
// "caption: text", and so does a question's where no display can show it; the
// result is then IDNO.
int showMessageBox(SDL_Window* owner, const char* text, const char* caption, int style);

// Queues a quit request; the frame loop takes it as its quit message once every
// event queued before it has been handled.
void postQuitMessage(int exitCode);
// Removes the oldest queued quit request; false when none is waiting.
bool takeQuitMessage(int* exitCode);

// The millisecond clock: 32 bits, wrapping after about 49.7 days.
uint32_t milliseconds();

// Ends the process at once with the given exit status.
[[noreturn]] void exitProcess(int code);

// A failure the show cannot go on from: ends the process with code, unless a
// host that outlives the show (the studio) has set a hook with
// setShowFailureHook. Then the hook is told the code and this returns, and the
// caller must leave itself in a state that draws nothing.
void endShowOnFailure(int code);
using ShowFailureHook = std::function<void(int code)>;
// An empty function restores ending the process.
void setShowFailureHook(ShowFailureHook hook);

// The folder holding the running executable, ending in a slash; empty when it
// cannot be found.
std::string executableDirectory();

// The runtime's one process-wide generator: state = state * 214013 + 2531011,
// result (state >> 16) & 0x7FFF. Unseeded it starts from 1.
int runtimeRand();
void runtimeSrand(uint32_t seed);

// Test hooks. An empty function restores the real service.
using MessageBoxHook =
    std::function<int(const std::string& text, const std::string& caption, int style)>;
void setMessageBoxForTesting(MessageBoxHook hook);
void setClockForTesting(std::function<uint32_t()> clock);
// Drops every queued quit request.
void clearQuitMessagesForTesting();
