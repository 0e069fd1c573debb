// glimmer-scenes DIR: writes the show's 3D scenes as DIR/2 and DIR/donut.3ds.
#include "Scenes.h"

#include <cstdio>
#include <string>

namespace {

bool save(const Lib3dsFilePtr& scene, const std::string& path) {
    if (saveScene(scene.get(), path))
        return true;
    std::fprintf(stderr, "glimmer-scenes: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: glimmer-scenes DIR\n");
        return 2;
    }
    const std::string directory = argv[1];
    const bool saved = save(buildWarpScene(), directory + "/2") &&
                       save(buildDonutScene(), directory + "/donut.3ds");
    return saved ? 0 : 1;
}
