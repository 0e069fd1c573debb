#include "studio/FolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

constexpr uint32_t EVENTS = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;

} // namespace

FolderWatch::FolderWatch(const std::string& directory) {
    descriptor_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor_ < 0) {
        failure_ = std::string("inotify: ") + std::strerror(errno);
        return;
    }
    watchTree(directory);
}

FolderWatch::~FolderWatch() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

void FolderWatch::watchTree(const std::string& directory) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::string> folders{""};
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory(error))
            folders.push_back(fs::relative(it->path(), directory, error).string());
    }
    for (const std::string& folder : folders) {
        const int watch =
            inotify_add_watch(descriptor_, (directory + "/" + folder).c_str(), EVENTS);
        if (watch >= 0) {
            folders_.emplace_back(watch, folder.empty() ? "" : folder + "/");
        } else if (folder.empty()) {
            failure_ = "cannot watch " + directory + ": " + std::strerror(errno);
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
            if (event->len == 0 || (event->mask & IN_ISDIR))
                continue;
            for (const auto& folder : folders_) {
                if (folder.first == event->wd)
                    changed_.insert(folder.second + event->name);
            }
            lastEvent_ = now;
        }
    }
}

std::vector<std::string> FolderWatch::settledChanges(Clock::time_point now) {
    if (descriptor_ < 0)
        return {};
    readEvents(now);
    if (changed_.empty() || now - lastEvent_ < QUIET)
        return {};
    std::vector<std::string> names(changed_.begin(), changed_.end());
    changed_.clear();
    return names;
}
