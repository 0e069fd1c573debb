// glimmer-pack [--store] [--solid] ARCHIVE NAME=FILE...
// Writes an archive with the entries in the order given; names are stored as
// written (backslashes kept). A FILE that is a directory makes a directory entry.
#include "ArchiveWriter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

int usage() {
    std::fprintf(stderr, "usage: glimmer-pack [--store] [--solid] ARCHIVE NAME=FILE...\n");
    return 2;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool readFile(const std::string& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    bool solid = false;
    int at = 1;
    for (; at < argc && std::strncmp(argv[at], "--", 2) == 0; ++at) {
        if (std::strcmp(argv[at], "--solid") == 0)
            solid = true;
        else if (std::strcmp(argv[at], "--store") != 0)
            return usage();
    }
    if (argc - at < 2)
        return usage();
    const std::string archivePath = argv[at++];
    ArchiveWriter writer(solid);
    for (; at < argc; ++at) {
        const std::string argument = argv[at];
        const size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0)
            return usage();
        const std::string name = argument.substr(0, equals);
        const std::string path = argument.substr(equals + 1);
        if (isDirectory(path)) {
            writer.addDirectory(name);
            continue;
        }
        Bytes data;
        if (!readFile(path, data)) {
            std::fprintf(stderr, "glimmer-pack: cannot read %s\n", path.c_str());
            return 1;
        }
        writer.addStoredFile(name, data);
    }
    if (!writeFile(archivePath, writer.finish())) {
        std::fprintf(stderr, "glimmer-pack: cannot write %s\n", archivePath.c_str());
        return 1;
    }
    return 0;
}
