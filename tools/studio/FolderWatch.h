// The files written, moved or removed under a folder, learnt from inotify: the
// folder and every folder under it when the watch starts. Polled; never blocks.
// A save often comes as several events (an editor writes a new file and moves
// it over the old one), so names are handed out only once the folder has been
// quiet for a moment.
#pragma once

#include <chrono>
#include <set>
#include <string>
#include <vector>

class FolderWatch {
public:
    using Clock = std::chrono::steady_clock;
    // How long the folder must be quiet before its changes are handed out.
    static constexpr auto QUIET = std::chrono::milliseconds(30);

    explicit FolderWatch(const std::string& directory);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False, with failure(), when the folder cannot be watched.
    bool watching() const { return descriptor_ >= 0; }
    const std::string& failure() const { return failure_; }

    // The paths (relative to the folder, with '/') changed since the last names
    // handed out, once no event has come for QUIET; empty before that.
    std::vector<std::string> settledChanges(Clock::time_point now = Clock::now());

private:
    void watchTree(const std::string& directory);
    void readEvents(Clock::time_point now);

    int descriptor_ = -1;
    // Folder of each watch, by its descriptor, relative to the watched one ("" for it).
    std::vector<std::pair<int, std::string>> folders_;
    std::set<std::string> changed_;
    Clock::time_point lastEvent_;
    std::string failure_;
};
