// A file written under a temporary name beside its final one and renamed into
// place only when complete, so that a failed or interrupted job never leaves a
// half-written file under the final name. The temporary file is removed unless
// the rename happened.
#pragma once

#include <string>

class PendingFile {
public:
    explicit PendingFile(std::string finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write meanwhile.
    const std::string& temporaryPath() const { return temporaryPath_; }
    // Renames the written file to its final name. False, with failure(), when
    // that fails (the temporary file is removed then).
    bool commit();

    const std::string& failure() const { return failure_; }

private:
    std::string finalPath_;
    std::string temporaryPath_;
    bool committed_ = false;
    std::string failure_;
};
