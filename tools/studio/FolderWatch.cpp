#include "studio/FolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

constexpr uint32_t COMPLETE = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr uint32_t EVENTS = COMPLETE | IN_CREATE | IN_MOVED_FROM | IN_DELETE;

} // namespace

FolderWatch::FolderWatch(const std::string& directory) : directory_(directory) {
    descriptor_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor_ < 0) {
        failure_ = std::string("inotify: ") + std::strerror(errno);
        return;
    }
    watchTree("", false);
}

FolderWatch::~FolderWatch() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

// Watches the folder at path (relative to the watched one, "" for it) and every
// folder under it; with noteFiles, the files already in them count as written
// (a folder made or moved in after the watch began may have them before its
// watch is in place).
void FolderWatch::watchTree(const std::string& path, bool noteFiles) {
    namespace fs = std::filesystem;
    const fs::path top = path.empty() ? fs::path(directory_) : fs::path(directory_) / path;
    std::error_code error;
    std::vector<std::string> folders{path};
    for (fs::recursive_directory_iterator it(top, error), end; !error && it != end;
         it.increment(error)) {
        const std::string relative = fs::relative(it->path(), directory_, error).string();
        if (it->is_directory(error))
            folders.push_back(relative);
        else if (noteFiles)
            changed_[relative] = true;
    }
    for (const std::string& folder : folders) {
        const int watch =
            inotify_add_watch(descriptor_, (directory_ + "/" + folder).c_str(), EVENTS);
        if (watch >= 0) {
            folders_.emplace_back(watch, folder.empty() ? "" : folder + "/");
        } else if (folder.empty()) {
            failure_ = "cannot watch " + directory_ + ": " + std::strerror(errno);
            close(descriptor_);
            descriptor_ = -1;
            return;
        }
    }
}

void FolderWatch::readEvents(Clock::time_point now) {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = read(descriptor_, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len == 0)
                continue;
            // Found before it is noted: a new folder's watch adds to folders_.
            const auto folder =
                std::find_if(folders_.begin(), folders_.end(),
                             [event](const auto& watched) { return watched.first == event->wd; });
            if (folder != folders_.end())
                noteEvent(*event, folder->second + event->name);
            lastEvent_ = now;
        }
    }
}

// A folder made or moved in is watched from now on; a file made is noted once
// it is written (closed).
void FolderWatch::noteEvent(const inotify_event& event, const std::string& path) {
    if (event.mask & IN_ISDIR) {
        if (event.mask & (IN_CREATE | IN_MOVED_TO))
            watchTree(path, true);
    } else if (!(event.mask & IN_CREATE)) {
        changed_[path] = (event.mask & COMPLETE) != 0;
    }
}

std::vector<std::string> FolderWatch::settledChanges(Clock::time_point now) {
    if (descriptor_ < 0)
        return {};
    readEvents(now);
    const bool quiet = now - lastEvent_ >= QUIET;
    std::vector<std::string> names;
    for (auto change = changed_.begin(); change != changed_.end();) {
        if (!change->second && !quiet) {
            ++change;
            continue;
        }
        names.push_back(change->first);
        change = changed_.erase(change);
    }
    return names;
}
