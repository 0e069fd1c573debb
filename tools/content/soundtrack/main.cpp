// glimmer-soundtrack OUT.mp3: renders the show's soundtrack and encodes it.
#include "Arrangement.h"
#include "Dsp.h"
#include "Master.h"
#include "Mp3Encoder.h"

#include <cmath>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: glimmer-soundtrack OUT.mp3\n");
        return 2;
    }
    const StereoBuffer song = renderSoundtrack(composeSoundtrack(), kSongSeconds);
    if (!writeMp3(song, argv[1], 192)) {
        std::fprintf(stderr, "glimmer-soundtrack: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %.1f s, peak %.2f dBFS\n", argv[1], song.frames() / double(kSampleRate),
                20.0 * std::log10(peakOf(song)));
    return 0;
}
