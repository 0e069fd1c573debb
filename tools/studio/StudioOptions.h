// The command line of glimmer-studio.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class StudioCommand { Render, Capture, Play };

struct StudioOptions {
    StudioCommand command = StudioCommand::Play;
    // The show's source: the built-in archive unless a file is given, with the
    // loose files of a folder over it when one is given.
    std::string archivePath;
    std::string directory;
    // render: demo times, in the order given.
    std::vector<uint32_t> times;
    // render, capture: frame size; 0 x 0 until given (the command's default).
    int width = 0;
    int height = 0;
    // capture: frame rate, x264 quality and preset (empty until given: the
    // capture's own default), length of the video.
    uint32_t fps = 60;
    int crf = 20;
    std::string preset;
    uint32_t length = 177000;
    // play: demo time to begin at.
    uint32_t start = 0;
    // render: prefix of the PNG names; capture: the MP4 file.
    std::string output;
};

// Fills options from the arguments (argv[0] is the program). False, with the
// reason in error, on bad usage.
bool parseStudioOptions(int argc, char** argv, StudioOptions& options, std::string& error);

// The usage text.
const char* studioUsage();
