// Decodes pictures of the embedded archive ahead of their reading: first on the
// caller's thread while it would otherwise wait (the program: while the GL driver
// loads), then on a thread of its own while the caller does something else (making
// the script's layers), so that their pixels are ready when they are read. While
// an instance lives, ArchiveImageReader::load takes each picture it has decoded
// from it, once; a picture it has not decoded, or could not, is read from the
// archive as before, with the same result. One instance at a time.
#pragma once

#include "images/DecodedImage.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PictureDecodeAhead {
public:
    // Takes the pictures to decode, in this order; none is decoded yet.
    explicit PictureDecodeAhead(const std::vector<std::string>& fileNames);
    PictureDecodeAhead(const PictureDecodeAhead&) = delete;
    PictureDecodeAhead& operator=(const PictureDecodeAhead&) = delete;
    // Stops after the picture in hand; the pixels not taken are freed.
    ~PictureDecodeAhead();

    // Decodes waiting pictures in order on the calling thread for as long as
    // keepGoing() answers true before each.
    void decodeHereWhile(const std::function<bool()>& keepGoing);
    // Decodes the pictures still waiting on a thread of its own (once).
    void start();
    // Waits until every picture has been decoded (or found not to decode); at
    // once when start was not called.
    void finish();

    // Moves the live instance's pixels of fileName into image: true once for each
    // picture it has decoded; false when there is no live instance or it has no
    // pixels of that name (yet). A picture it has not begun is then not decoded.
    static bool take(const char* fileName, DecodedImage& image);

private:
    // A picture asked for before either thread has begun it is left to the
    // reader, so that no picture is decoded twice.
    enum class Stage { WAITING, DECODING, DECODED, GONE };
    struct Picture {
        std::string fileName;
        Stage stage = Stage::WAITING;
        DecodedImage image;
    };

    bool begin(Picture& picture);
    void decode(Picture& picture);
    bool takeOwn(const char* fileName, DecodedImage& image);

    std::mutex mutex_;
    std::vector<Picture> pictures_;
    bool stopping_ = false;
    std::thread thread_;
};
