#include "studio/ShowReloader.h"

#include "studio/ShowFailures.h"

#include <cstdio>

namespace {

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// The script's problems on standard output, the first (and how many more) for
// the overlay.
std::string problemsText(const ScriptProblems& problems) {
    for (const std::string& problem : problems)
        std::printf("  data\\script.txt %s\n", problem.c_str());
    const std::string more =
        problems.size() > 1 ? " (and " + std::to_string(problems.size() - 1) + " more)" : "";
    return "script not reloaded, the last good one stays: " + problems.front() + more;
}

} // namespace

ShowReloader::Outcome ShowReloader::reloadAll(uint32_t t) {
    if (!source_.reload())
        return {false, "script not reloaded: " + source_.failure()};
    LooseFiles* files = source_.looseFiles();
    return reload(files ? files->askedNames() : std::vector<std::string>{}, t, "script");
}

ShowReloader::Outcome ShowReloader::reloadSaved(const std::vector<std::string>& paths, uint32_t t) {
    LooseFiles* files = source_.looseFiles();
    std::vector<std::string> entries;
    for (const std::string& path : paths) {
        if (files && files->asked(entryNameOf(path)))
            entries.push_back(entryNameOf(path));
    }
    if (entries.empty())
        return {};
    return reload(entries, t, joined(entries));
}

ShowReloader::Outcome ShowReloader::reload(const std::vector<std::string>& entries, uint32_t t,
                                           const std::string& what) {
    const std::string previous = run_.scriptText();
    LooseFiles* files = source_.looseFiles();
    if (files)
        files->refresh(entries);
    const std::string failure = takeNew(t);
    if (!failure.empty())
        return rollBack(previous, t, failure);
    if (files)
        files->commit();
    return {true,
            what + " reloaded: " + std::to_string(run_.player().entries().size()) + " blocks"};
}

// The show made from the source as it is now and drawn at t; what failed, or
// nothing.
std::string ShowReloader::takeNew(uint32_t t) {
    std::string text;
    if (!source_.readScript(text))
        return "not reloaded, the last good show stays: " + source_.failure();
    ScriptProblems problems;
    const bool made = run_.restart(text, &problems);
    if (made && !problems.empty())
        return problemsText(problems);
    if (!made || !run_.seek(t))
        return "not reloaded, the last good show stays: " + run_.failure();
    return {};
}

ShowReloader::Outcome ShowReloader::rollBack(const std::string& previous, uint32_t t,
                                             const std::string& failure) {
    if (LooseFiles* files = source_.looseFiles())
        files->rollBack();
    dropQuitRequests();
    if (!run_.restart(previous) || !run_.seek(t)) {
        dropQuitRequests();
        return {false, "cannot go on: " + run_.failure()};
    }
    return {false, failure};
}
