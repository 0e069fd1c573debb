// The three commands of glimmer-studio. Each returns the process's exit status:
// 0 when it did its work, 1 when it stopped early (having said why on standard
// error).
#pragma once

#include "studio/ShowRun.h"
#include "studio/ShowSource.h"
#include "studio/StudioOptions.h"

int runRender(const StudioOptions& options, ShowSource& source);
int runCapture(const StudioOptions& options, ShowSource& source);
int runPlay(const StudioOptions& options, ShowSource& source);

// Reads the script and starts the run with it; what the parser passed over is
// reported as warnings. False (reported) when the script or a context cannot be
// had.
bool startShow(ShowSource& source, ShowRun& run);

// True (reported) when a layer has asked the program to stop, as layers do when
// they cannot go on; the request is taken.
bool showStopped();

// Reports a failure on standard error; returns the failing exit status.
int fail(const std::string& what);
