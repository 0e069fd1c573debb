// --help and --version, which every command answers alike: the usage, or the
// command's name and the version, on standard output. Header only, so that the
// tools linking no platform library answer them too; the version comes from the
// build (the glimmer_version target).
#pragma once

#include <cstdio>
#include <cstring>

// When an argument is --help or --version (the first one given counts), prints
// the usage or "NAME VERSION" and returns the exit status: 0, or 1 when standard
// output cannot take the answer. Returns -1 when neither is asked for.
inline int answerStandardOptions(int argc, char** argv, const char* name, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        const bool help = std::strcmp(argv[i], "--help") == 0;
        if (!help && std::strcmp(argv[i], "--version") != 0)
            continue;
        if (help)
            std::fputs(usage, stdout);
        else
            std::printf("%s %s\n", name, GLIMMER_VERSION);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    return -1;
}
