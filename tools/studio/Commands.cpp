#include "studio/Commands.h"

#include "platform/Platform.h"

#include <cstdio>

int fail(const std::string& what) {
    std::fprintf(stderr, "glimmer-studio: %s\n", what.c_str());
    return 1;
}

bool startShow(ShowSource& source, ShowRun& run) {
    std::string script;
    if (!source.readScript(script)) {
        fail(source.failure());
        return false;
    }
    ScriptProblems problems;
    if (!run.restart(script, &problems)) {
        fail(run.failure());
        return false;
    }
    for (const std::string& problem : problems)
        std::fprintf(stderr, "glimmer-studio: warning: data\\script.txt %s\n", problem.c_str());
    return true;
}

bool showStopped() {
    int exitCode = 0;
    if (!takeQuitMessage(&exitCode))
        return false;
    fail("the show asked to stop (exit code " + std::to_string(exitCode) +
         "): a layer could not go on");
    return true;
}
