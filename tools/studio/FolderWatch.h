// The files written, moved or removed under a folder, learnt from inotify: the
// folder, every folder under it, and the folders made or moved in while it is
// watched. Polled; never blocks.
// A file written and closed, or moved into place, is complete and is handed out
// at once. A removal may be the first half of a save (an editor moves the old
// file aside, then writes the new one), so a removed name is handed out only once
// the folder has been quiet for a moment, unless it comes back first.
#pragma once

#include <sys/inotify.h>

#include <chrono>
#include <map>
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
    const std::string& directory() const { return directory_; }

    // The paths (relative to the folder, with '/') changed since they were last
    // handed out: those last written or moved in at once, those last removed once
    // no event has come for QUIET.
    std::vector<std::string> settledChanges(Clock::time_point now = Clock::now());

private:
    void watchTree(const std::string& path, bool noteFiles);
    void noteEvent(const inotify_event& event, const std::string& path);
    void readEvents(Clock::time_point now);

    std::string directory_;
    int descriptor_ = -1;
    // Folder of each watch, by its descriptor, relative to the watched one ("" for it).
    std::vector<std::pair<int, std::string>> folders_;
    // Each changed path, and whether its last event wrote it or moved it in.
    std::map<std::string, bool> changed_;
    Clock::time_point lastEvent_;
    std::string failure_;
};
