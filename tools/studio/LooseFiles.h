// The files of a maker's working folder that stand in for archive entries and
// scenes ("data\hand.png" is DIR/data/hand.png), as the show last read them.
// Each file is read from the folder once and its bytes are kept (or that the
// folder has none), so that the show can be made again exactly as it was while
// the folder holds an edit that breaks it. An edit is read only once its name
// is refreshed; the bytes before it stay until the edit is committed or rolled
// back.
#pragma once

#include "archive/ResourceArchive.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class LooseFiles {
public:
    explicit LooseFiles(std::string directory) : directory_(std::move(directory)) {}

    // The bytes of the entry in a malloc'd buffer, or null when the folder has
    // no such file.
    ArchiveBytes read(const char* entryName, uint32_t* size);
    // True when the show has asked for the entry (whether the folder had it).
    bool asked(const std::string& entryName) const { return held_.count(entryName) != 0; }
    // The entry names the show has asked for.
    std::vector<std::string> askedNames() const;

    // The next reads of these entries go to the folder again.
    void refresh(const std::vector<std::string>& entryNames);
    // The bytes read since the refreshes are the ones to keep.
    void commit() { before_.clear(); }
    // Back to the bytes held before the refreshes since the last commit.
    void rollBack();

private:
    using Held = std::optional<std::vector<unsigned char>>;

    std::string directory_;
    std::map<std::string, Held> held_;
    std::map<std::string, Held> before_;
};

// The file under directory that stands for an archive entry: backslashes
// become slashes ("data\hand.png" is directory/data/hand.png).
std::string looseFilePath(const std::string& directory, const std::string& entryName);
// The archive entry a path relative to the folder stands for: slashes become
// backslashes.
std::string entryNameOf(const std::string& relativePath);
