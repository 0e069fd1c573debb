// The fixed corpus of the archive benchmark: the show's script, a raw rendering
// of the soundtrack, the raw pixels of the pictures and the project's sources.
// The soundtrack (set_18.mp3) and pictures (pictures/*.png) are taken from the
// build's content directory, or from $GLIMMER_CONTENT_DIR when set. Where they
// are missing, deterministic stand-ins of the same nature take their place (and
// say so in their name).
#pragma once

#include <string>
#include <vector>

struct CorpusItem {
    std::string name;
    std::vector<unsigned char> bytes;
};

std::vector<CorpusItem> loadBenchCorpus(const std::string& sourceDir, const std::string& buildDir);
