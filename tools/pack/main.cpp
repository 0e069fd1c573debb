// glimmer-pack [--store] [--solid] [--audio] [-m5] ARCHIVE NAME=FILE...
// Writes an archive with the entries in the order given; names are stored as
// written (backslashes kept). A FILE that is a directory makes a directory entry.
// Entries are packed (method 0x33, or 0x35 with -m5) unless --store is given or
// packing would not shrink them. --solid makes each packed entry continue the
// one before; --audio uses the multimedia mode for every entry (otherwise it is
// chosen where it packs smaller).
// An entry the archive cannot hold (a name over 259 bytes, a file of 4 GiB or
// more, an archive past 4 GiB) ends the run with status 1, and nothing is
// written. The archive is written beside its place and renamed there whole.
#include "ArchiveWriter.h"
#include "archive/ArchiveFormat.h"
#include "platform/StandardOptions.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct EntryArgument {
    std::string name;
    std::string path;
};

const char* const USAGE =
    "usage: glimmer-pack [--store] [--solid] [--audio] [-m5] ARCHIVE NAME=FILE...\n"
    "Writes ARCHIVE with the entries in the order given, names as written; a FILE\n"
    "that is a directory makes a directory entry.\n";

int usage() {
    std::fputs(USAGE, stderr);
    return 2;
}

// The name as a message shows it: cut short when it is too long to read.
std::string shownName(const std::string& name) {
    constexpr size_t SHOWN = 60;
    if (name.size() <= SHOWN)
        return name;
    return name.substr(0, SHOWN) + "... (" + std::to_string(name.size()) + " bytes)";
}

int refuse(const EntryArgument& entry, const std::string& reason) {
    std::fprintf(stderr, "glimmer-pack: cannot add \"%s\" from %s: %s; no archive written\n",
                 shownName(entry.name).c_str(), entry.path.c_str(), reason.c_str());
    return 1;
}

bool readFile(const std::string& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes the archive under a temporary name beside path and renames it into
// place once it is whole; on any failure the temporary file is removed and
// whatever was at path stays as it was.
bool writeFileWhole(const std::string& path, const Bytes& bytes) {
    const std::string temporary = path + "." + std::to_string(getpid()) + ".partial";
    FILE* out = std::fopen(temporary.c_str(), "wbx");
    if (!out)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const bool closed = std::fclose(out) == 0;
    if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temporary.c_str());
    return false;
}

// Checks every entry before any is read or packed: its name, and its file's
// size as far as the file system tells it. The sizes as packed are checked
// again as each entry is added.
int checkEntries(const std::vector<EntryArgument>& entries, const ArchiveWriter& writer) {
    for (const EntryArgument& entry : entries) {
        struct stat info {};
        const uint64_t size =
            stat(entry.path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : 0;
        const std::string reason = writer.refusal(entry.name, size, 0);
        if (!reason.empty())
            return refuse(entry, reason);
    }
    return 0;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Reads and packs one entry and adds it, unless the archive cannot hold it.
int addEntry(const EntryArgument& entry, bool store, Compressor& compressor,
             ArchiveWriter& writer) {
    const bool directory = isDirectory(entry.path);
    Bytes data;
    if (!directory && !readFile(entry.path, data)) {
        std::fprintf(stderr, "glimmer-pack: cannot read %s\n", entry.path.c_str());
        return 1;
    }
    PackedEntry packed =
        directory || store ? PackedEntry{METHOD_STORED, false, data} : compressor.pack(data);
    const std::string reason = writer.refusal(entry.name, data.size(), packed.data.size());
    if (!reason.empty())
        return refuse(entry, reason);
    if (directory)
        writer.addDirectory(entry.name);
    else
        writer.addFile(entry.name, data, std::move(packed));
    return 0;
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
    std::vector<EntryArgument> entries;
    for (; at < argc; ++at) {
        const std::string argument = argv[at];
        const size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0)
            return usage();
        entries.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
    }
    ArchiveWriter writer(options.solid);
    if (checkEntries(entries, writer) != 0)
        return 1;
    Compressor compressor(options);
    for (const EntryArgument& entry : entries) {
        if (addEntry(entry, store, compressor, writer) != 0)
            return 1;
    }
    if (!writeFileWhole(archivePath, writer.finish())) {
        std::fprintf(stderr, "glimmer-pack: cannot write %s\n", archivePath.c_str());
        return 1;
    }
    return 0;
}
