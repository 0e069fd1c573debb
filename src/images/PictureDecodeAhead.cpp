#include "images/PictureDecodeAhead.h"

#include "images/ArchiveImageReader.h"
#include "platform/EmbeddedArchive.h"

#include <atomic>

namespace {

std::atomic<PictureDecodeAhead*> liveInstance{nullptr};

} // namespace

PictureDecodeAhead::PictureDecodeAhead(const std::vector<std::string>& fileNames) {
    for (const std::string& fileName : fileNames)
        pictures_.push_back(Picture{fileName, Stage::WAITING, DecodedImage()});
    liveInstance.store(this);
}

PictureDecodeAhead::~PictureDecodeAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    finish();
    liveInstance.store(nullptr);
}

void PictureDecodeAhead::decodeHereWhile(const std::function<bool()>& keepGoing) {
    // The list is not resized while pictures are decoded, and names are only read.
    for (Picture& picture : pictures_) {
        if (!keepGoing())
            return;
        if (begin(picture))
            decode(picture);
    }
}

void PictureDecodeAhead::start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { decodeHereWhile([] { return true; }); });
}

void PictureDecodeAhead::finish() {
    if (thread_.joinable())
        thread_.join();
}

void PictureDecodeAhead::decode(Picture& picture) {
    // The archive's reading and the decoders keep no state between calls, so they
    // can run on either thread while the other goes on.
    DecodedImage image;
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(picture.fileName.c_str(), &size);
    const bool decoded = bytes && ArchiveImageReader().decode(image, bytes.get(), size);
    const std::lock_guard<std::mutex> lock(mutex_);
    picture.image = std::move(image);
    picture.stage = decoded ? Stage::DECODED : Stage::GONE;
}

// True when the picture is to be decoded now: it is still waiting, and the
// instance is not stopping.
bool PictureDecodeAhead::begin(Picture& picture) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || picture.stage != Stage::WAITING)
        return false;
    picture.stage = Stage::DECODING;
    return true;
}

bool PictureDecodeAhead::take(const char* fileName, DecodedImage& image) {
    PictureDecodeAhead* live = liveInstance.load();
    return live && live->takeOwn(fileName, image);
}

bool PictureDecodeAhead::takeOwn(const char* fileName, DecodedImage& image) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (Picture& picture : pictures_) {
        if (picture.fileName != fileName)
            continue;
        if (picture.stage == Stage::DECODED) {
            image = std::move(picture.image);
            picture.stage = Stage::GONE;
            return true;
        }
        if (picture.stage == Stage::WAITING)
            picture.stage = Stage::GONE;
    }
    return false;
}
