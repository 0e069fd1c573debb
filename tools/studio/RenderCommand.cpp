#include "studio/Commands.h"
#include "studio/EglShowContext.h"
#include "studio/PngFile.h"

#include <cstdio>

namespace {

constexpr int DEFAULT_WIDTH = 800;
constexpr int DEFAULT_HEIGHT = 600;
constexpr uint32_t STEP_RATE = 60;

std::string framePath(const std::string& prefix, uint32_t time) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06u", time);
    return prefix + "-" + digits + ".png";
}

} // namespace

int runRender(const StudioOptions& options, ShowSource& source) {
    const int width = options.width ? options.width : DEFAULT_WIDTH;
    const int height = options.height ? options.height : DEFAULT_HEIGHT;
    const PictureRect rect = pictureRect(width, height);
    EglShowContext context(rect.width, rect.height);
    ShowRun run(context, STEP_RATE);
    if (!startShow(source, run))
        return 1;
    std::vector<uint8_t> rgba;
    for (const uint32_t time : options.times) {
        if (!run.seek(time))
            return fail(run.failure());
        if (showStopped())
            return 1;
        context.framebuffer().readPixels(rgba);
        const std::string path = framePath(options.output, time);
        if (!writeRgbPng(path, width, height, framedRgb(width, height, rect, rgba)))
            return fail("cannot write " + path);
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
