#pragma once

// The whole run: start-up in a fixed order (window and context, GL state, script,
// player with layers and music, picture preload, the full-screen question), the
// show, then the ordered shutdown. Returns the exit status: 0 after a run, -1
// when the window or the script cannot be had. Fatal set-up failures (music,
// pictures) end the process from inside with -1.
int runProgram();
