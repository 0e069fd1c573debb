#include "studio/PendingFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

PendingFile::PendingFile(std::string finalPath)
    : finalPath_(std::move(finalPath)), temporaryPath_(finalPath_ + ".part") {}

PendingFile::~PendingFile() {
    if (!committed_)
        std::remove(temporaryPath_.c_str());
}

bool PendingFile::commit() {
    if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
        failure_ =
            "cannot rename " + temporaryPath_ + " to " + finalPath_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}
