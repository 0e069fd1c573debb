#include "images/PictureDecodeAhead.h"

#include "images/ArchiveImageReader.h"
#include "platform/EmbeddedArchive.h"

#include <atomic>

namespace {

std::atomic<PictureDecodeAhead*> liveInstance{nullptr};

} // namespace

PictureDecodeAhead::PictureDecodeAhead(const std::vector<std::string>& fileNames) {
    for (const std::string& fileName : fileNames)
        pictures_.push_back(Picture{fileName, false, DecodedImage()});
    liveInstance.store(this);
    thread_ = std::thread(&PictureDecodeAhead::run, this);
}

PictureDecodeAhead::~PictureDecodeAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    finish();
    liveInstance.store(nullptr);
}

void PictureDecodeAhead::finish() {
    if (thread_.joinable())
        thread_.join();
}

void PictureDecodeAhead::run() {
    // The list is not resized while the thread runs, and names are only read.
    for (Picture& picture : pictures_) {
        if (stopping())
            return;
        // The archive's reading and the decoders keep no state between calls, so
        // they can run here while the caller's thread goes on.
        DecodedImage image;
        uint32_t size = 0;
        const ArchiveBytes bytes = extractEmbeddedFile(picture.fileName.c_str(), &size);
        if (!bytes || !ArchiveImageReader().decode(image, bytes.get(), size))
            continue;
        const std::lock_guard<std::mutex> lock(mutex_);
        picture.image = std::move(image);
        picture.decoded = true;
    }
}

bool PictureDecodeAhead::stopping() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

bool PictureDecodeAhead::take(const char* fileName, DecodedImage& image) {
    PictureDecodeAhead* live = liveInstance.load();
    return live && live->takeOwn(fileName, image);
}

bool PictureDecodeAhead::takeOwn(const char* fileName, DecodedImage& image) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (Picture& picture : pictures_) {
        if (picture.decoded && picture.fileName == fileName) {
            image = std::move(picture.image);
            picture.decoded = false;
            return true;
        }
    }
    return false;
}
