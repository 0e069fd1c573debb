// Makes the show again from what its source holds now and draws it at the same
// demo time: for F5 (everything, the --archive file included) and for the files
// of the working folder that were saved. A reload that fails (a script with
// problems, a scene or picture that cannot be read) is rolled back: the show is
// made again from the script and folder files it had, and the failure is said.
#pragma once

#include "studio/ShowRun.h"
#include "studio/ShowSource.h"

#include <string>
#include <vector>

class ShowReloader {
public:
    struct Outcome {
        bool reloaded = false;
        std::string message; // for the overlay; empty when nothing was to reload
    };

    ShowReloader(ShowRun& run, ShowSource& source) : run_(run), source_(source) {}

    // Everything the show reads, drawn at demo time t.
    Outcome reloadAll(uint32_t t);
    // The saved files (paths relative to the folder) that the show reads, drawn at
    // demo time t; nothing (an empty message) when it reads none of them.
    Outcome reloadSaved(const std::vector<std::string>& paths, uint32_t t);

private:
    Outcome reload(const std::vector<std::string>& entries, uint32_t t, const std::string& what);
    std::string takeNew(uint32_t t);
    Outcome rollBack(const std::string& previous, uint32_t t, const std::string& failure);

    ShowRun& run_;
    ShowSource& source_;
};
