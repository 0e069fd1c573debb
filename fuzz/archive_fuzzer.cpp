// Views the input as an archive and extracts every entry it lists, plus a few
// fixed names, checking that a successful extraction hands back exactly the size
// the walk promised.
#include "archive/ResourceArchive.h"
#include "platform/EmbeddedArchive.h" // the program's pass phrase

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResourceArchive archive;
    archive.data = data;
    archive.size = static_cast<uint32_t>(size);
    std::vector<std::string> names = {"data\\script.txt", "data/set_18.mp3", ""};
    forEachArchiveEntry(archive,
                        [&](const ArchiveFileHeader& header) { names.push_back(header.name); });
    for (const std::string& name : names) {
        unsigned char* bytes = nullptr;
        uint32_t extracted = 0;
        if (extractArchiveFile(&bytes, &extracted, name.c_str(), archive, ARCHIVE_PASS_PHRASE)) {
            volatile unsigned sum = 0; // every byte handed out must be readable
            for (uint32_t i = 0; i < extracted; ++i)
                sum = sum + bytes[i];
        } else if (bytes || extracted) {
            std::abort(); // a failure must leave no buffer and no size
        }
        std::free(bytes);
    }
    return 0;
}
