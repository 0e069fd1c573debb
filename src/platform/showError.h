#pragma once

// Shows a printf-style message in a modal "Error" box (OK button, no owner) and
// waits for it to be dismissed. Text beyond 255 characters is cut off. What
// follows (ending the process or asking the frame loop to stop) is the caller's.
void showError(const char* format, ...) __attribute__((format(printf, 1, 2)));
