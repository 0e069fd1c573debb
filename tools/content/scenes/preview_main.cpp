// glimmer-scene-preview FILE OUT.png FRAME...: a contact sheet of the scene
// seen through its camera at the given frames.
#include "Preview.h"
#include "SceneBuilder.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: glimmer-scene-preview FILE OUT.png FRAME...\n");
        return 2;
    }
    Lib3dsFilePtr file(lib3ds_file_load(argv[1]));
    if (!file) {
        std::fprintf(stderr, "glimmer-scene-preview: cannot load %s\n", argv[1]);
        return 1;
    }
    std::vector<PreviewImage> frames;
    for (int i = 3; i < argc; ++i)
        frames.push_back(renderPreview(file.get(), std::atoi(argv[i]), 320, 240));
    return writePreviewSheet(frames, 3, argv[2]) ? 0 : 1;
}
