// glimmer-pack [--store] [--solid] [--audio] [-m5] ARCHIVE NAME=FILE...
// Writes an archive with the entries in the order given; names are stored as
// written (backslashes kept). A FILE that is a directory makes a directory entry.
// Entries are packed (method 0x33, or 0x35 with -m5) unless --store is given or
// packing would not shrink them. --solid makes each packed entry continue the
// one before; --audio uses the multimedia mode for every entry (otherwise it is
// chosen where it packs smaller).
#include "ArchiveWriter.h"
#include "platform/StandardOptions.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

const char* const USAGE =
    "usage: glimmer-pack [--store] [--solid] [--audio] [-m5] ARCHIVE NAME=FILE...\n"
    "Writes ARCHIVE with the entries in the order given, names as written; a FILE\n"
    "that is a directory makes a directory entry.\n";

int usage() {
    std::fputs(USAGE, stderr);
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
    const int answered = answerStandardOptions(argc, argv, "glimmer-pack", USAGE);
    if (answered >= 0)
        return answered;
    PackOptions options;
    bool store = false;
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        const std::string option = argv[at];
        if (option == "--solid")
            options.solid = true;
        else if (option == "--store")
            store = true;
        else if (option == "--audio")
            options.forceAudio = true;
        else if (option == "-m5")
            options.best = true;
        else if (option != "-m3")
            return usage();
    }
    if (argc - at < 2)
        return usage();
    const std::string archivePath = argv[at++];
    ArchiveWriter writer(options.solid);
    Compressor compressor(options);
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
        if (store)
            writer.addStoredFile(name, data);
        else
            writer.addFile(name, data, compressor.pack(data));
    }
    if (!writeFile(archivePath, writer.finish())) {
        std::fprintf(stderr, "glimmer-pack: cannot write %s\n", archivePath.c_str());
        return 1;
    }
    return 0;
}
