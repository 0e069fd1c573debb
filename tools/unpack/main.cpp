// glimmer-unpack ARCHIVE            lists the entries and checks each one's CRC
// glimmer-unpack ARCHIVE NAME [OUT] extracts one entry (to standard output without OUT)
// ARCHIVE may be --embedded: the archive built into the program.
// Exit status: 0 success, 1 entry cannot be extracted or archive damaged, 2 bad
// usage.
#include "platform/EmbeddedArchive.h"
#include "platform/StandardOptions.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char* const USAGE =
    "usage: glimmer-unpack ARCHIVE|--embedded [NAME [OUT]]\n"
    "Lists the entries of ARCHIVE and checks their CRCs, or extracts the entry NAME\n"
    "to OUT (standard output without OUT). --embedded: the archive built into the\n"
    "program.\n";

int usage() {
    std::fputs(USAGE, stderr);
    return 2;
}

// An argument that looks like an option and is none: --embedded is the only
// one, in the archive's place.
bool unknownOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && (i > 1 || std::strcmp(argv[i], "--embedded")))
            return true;
    }
    return false;
}

bool openArchive(const char* path, std::vector<unsigned char>& storage, ResourceArchive& archive) {
    if (std::strcmp(path, "--embedded") == 0) {
        openResourceArchive(archive, ARCHIVE_RESOURCE_ID);
        return archive.data != nullptr;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    storage.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    archive.data = storage.data();
    archive.size = static_cast<uint32_t>(storage.size());
    archive.offset = 0;
    return true;
}

bool extractsCleanly(ResourceArchive& archive, const char* name) {
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    const int result = extractArchiveFile(&bytes, &size, name, archive, ARCHIVE_PASS_PHRASE);
    std::free(bytes);
    return result == 1;
}

int listEntries(ResourceArchive& archive) {
    std::vector<ArchiveFileHeader> headers;
    const bool whole = forEachArchiveEntry(
        archive, [&](const ArchiveFileHeader& header) { headers.push_back(header); });
    if (!whole && archive.offset == 0) {
        std::fprintf(stderr, "glimmer-unpack: not an archive\n");
        return 1;
    }
    const uint32_t stoppedAt = archive.offset;
    int status = whole ? 0 : 1;
    std::printf("%-40s %10s %10s %6s %s\n", "name", "packed", "unpacked", "method", "crc");
    for (const ArchiveFileHeader& header : headers) {
        const bool good = extractsCleanly(archive, header.name);
        status |= good ? 0 : 1;
        std::printf("%-40s %10u %10u   0x%02X %s\n", header.name, header.packedSize,
                    header.unpackedSize, header.method, good ? "ok" : "FAILED");
    }
    if (!whole)
        std::fprintf(stderr,
                     "glimmer-unpack: bad block header at offset %u; the archive is damaged "
                     "there and the listing stops\n",
                     stoppedAt);
    return status;
}

int extractEntry(ResourceArchive& archive, const char* name, const char* outPath) {
    unsigned char* raw = nullptr;
    uint32_t size = 0;
    if (!extractArchiveFile(&raw, &size, name, archive, ARCHIVE_PASS_PHRASE)) {
        std::fprintf(stderr, "glimmer-unpack: cannot extract %s\n", name);
        return 1;
    }
    const ArchiveBytes bytes(raw);
    FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
    if (!out) {
        std::fprintf(stderr, "glimmer-unpack: cannot write %s\n", outPath);
        return 1;
    }
    const bool written = std::fwrite(bytes.get(), 1, size, out) == size;
    const bool closed = outPath ? std::fclose(out) == 0 : std::fflush(out) == 0;
    return written && closed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const int answered = answerStandardOptions(argc, argv, "glimmer-unpack", USAGE);
    if (answered >= 0)
        return answered;
    if (argc < 2 || argc > 4 || unknownOption(argc, argv))
        return usage();
    std::vector<unsigned char> storage;
    ResourceArchive archive;
    if (!openArchive(argv[1], storage, archive)) {
        std::fprintf(stderr, "glimmer-unpack: cannot open %s\n", argv[1]);
        return 1;
    }
    if (argc == 2)
        return listEntries(archive);
    return extractEntry(archive, argv[2], argc == 4 ? argv[3] : nullptr);
}
