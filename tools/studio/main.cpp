// glimmer-studio: the maker's companion to glimmerfell, on the same engine.
//   render   frames at chosen demo times to PNG files, without any display
//   capture  the whole show as an MP4 video with its soundtrack
//   play     the show in a window, with pause, seeking, script reload and an overlay
// Exit status: 0 done, 1 stopped early (the reason on standard error), 2 bad usage.
#include "platform/StandardOptions.h"
#include "studio/Commands.h"

#include <cstdio>

int main(int argc, char** argv) {
    const int answered = answerStandardOptions(argc, argv, "glimmer-studio", studioUsage());
    if (answered >= 0)
        return answered;
    StudioOptions options;
    std::string error;
    if (!parseStudioOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "glimmer-studio: %s\n%s", error.c_str(), studioUsage());
        return 2;
    }
    ShowSource source;
    if (!options.archivePath.empty() && !source.useArchiveFile(options.archivePath))
        return fail(source.failure());
    if (!options.directory.empty())
        source.useDirectory(options.directory);
    switch (options.command) {
    case StudioCommand::Render:
        return runRender(options, source);
    case StudioCommand::Capture:
        return runCapture(options, source);
    case StudioCommand::Play:
        return runPlay(options, source);
    }
    return 2;
}
