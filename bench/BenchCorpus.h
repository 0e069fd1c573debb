// The fixed corpus of the archive benchmark: the show's script, a raw rendering
// of the soundtrack, the raw pixels of the pictures and the project's sources.
// Where the build has no soundtrack or pictures yet, deterministic stand-ins of
// the same nature take their place (and say so in their name).
#pragma once

#include <string>
#include <vector>

struct CorpusItem {
    std::string name;
    std::vector<unsigned char> bytes;
};

std::vector<CorpusItem> loadBenchCorpus(const std::string& sourceDir, const std::string& buildDir);
