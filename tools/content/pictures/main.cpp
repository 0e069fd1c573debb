// glimmer-pictures OUTDIR FONTDIR [FILE...]
// Writes the show's pictures and the program's icon, glimmerfell.png (all of
// them, or the files named), into OUTDIR, setting text with the DejaVu faces
// found in FONTDIR.
#include "Pictures.h"
#include "PngWriter.h"

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace pictures;

namespace {

// How far (in pixels) colour is carried into the transparent surroundings of
// an RGBA picture: far enough for the show's mipmaps down to an eighth.
constexpr int kClearColourReach = 8;

struct Picture {
    const char* file;
    Channels channels;
    std::function<Canvas(const Fonts&)> make;
};

template <Canvas (*make)()>
Canvas withoutFonts(const Fonts&) {
    return make();
}

std::function<Canvas(const Fonts&)> face(CubeFace cubeFace) {
    return [cubeFace](const Fonts&) { return lavaFace(cubeFace); };
}

const std::vector<Picture>& showPictures() {
    static const std::vector<Picture> list{
        {"getting.png", Channels::Rgba, titleCard},
        {"eye_020715_toplayer.png", Channels::Rgba, withoutFonts<eye>},
        {"eye_020715_lower_banner_rep.png", Channels::Rgb, eyeBanner},
        {"obererbalken.png", Channels::Rgba, withoutFonts<upperBar>},
        {"balken.png", Channels::Rgba, withoutFonts<lowerBar>},
        {"hand.png", Channels::Rgba, withoutFonts<hand>},
        {"schmettalyng.png", Channels::Rgba, withoutFonts<butterfly>},
        {"2dunkelr.png", Channels::Rgb, withoutFonts<bladeSurface>},
        {"dunkelr.png", Channels::Rgb, withoutFonts<brushedMetal>},
        {"3dunkelr.png", Channels::Rgb, withoutFonts<polishedStone>},
        {"donut.png", Channels::Rgb, withoutFonts<donutGlaze>},
        {"lava_negx.png", Channels::Rgb, face(CubeFace::NegativeX)},
        {"lava_negy.png", Channels::Rgb, face(CubeFace::NegativeY)},
        {"lava_negz.png", Channels::Rgb, face(CubeFace::NegativeZ)},
        {"lava_posx.png", Channels::Rgb, face(CubeFace::PositiveX)},
        {"lava_posy.png", Channels::Rgb, face(CubeFace::PositiveY)},
        {"lava_posz.png", Channels::Rgb, face(CubeFace::PositiveZ)},
        {"Impact.png", Channels::Rgba, impactCard},
        {"cred.png", Channels::Rgba, creditsCard},
        {"greetings.png", Channels::Rgba, greetingsCard},
        {"outro.png", Channels::Rgba, outroCard},
        {"glimmerfell.png", Channels::Rgba, withoutFonts<icon>},
    };
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: glimmer-pictures OUTDIR FONTDIR [FILE...]\n");
        return 2;
    }
    const std::string outDir = argv[1];
    const Fonts fonts(argv[2]);
    if (!fonts.ready()) {
        std::fprintf(stderr, "glimmer-pictures: DejaVu fonts not found in %s\n", argv[2]);
        return 1;
    }
    const std::set<std::string> wanted(argv + 3, argv + argc);
    for (const Picture& picture : showPictures()) {
        if (!wanted.empty() && wanted.count(picture.file) == 0)
            continue;
        const std::string path = outDir + "/" + picture.file;
        Canvas canvas = picture.make(fonts);
        if (picture.channels == Channels::Rgba)
            canvas.extendColourIntoClear(kClearColourReach);
        if (!writePng(path, canvas, picture.channels)) {
            std::fprintf(stderr, "glimmer-pictures: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
