#include "studio/ShowSource.h"

#include "app/Program.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Resources.h"

#include <fstream>
#include <iterator>

ShowSource::~ShowSource() {
    if (!archive_.empty() && builtIn_.data)
        registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, builtIn_.data, builtIn_.size);
    else if (!archive_.empty())
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
    if (looseFiles_)
        setLooseFileLookup(nullptr);
}

bool ShowSource::useArchiveFile(const std::string& path) {
    if (archive_.empty())
        builtIn_ = findResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
    archivePath_ = path;
    return reload();
}

void ShowSource::useDirectory(const std::string& directory) {
    looseFiles_ = std::make_unique<LooseFiles>(directory);
    setLooseFileLookup([files = looseFiles_.get()](const char* fileName, uint32_t* size) {
        return files->read(fileName, size);
    });
}

bool ShowSource::reload() {
    if (archivePath_.empty())
        return true;
    std::ifstream in(archivePath_, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad() || bytes.empty()) {
        failure_ = "cannot read the archive " + archivePath_;
        return false;
    }
    // The old bytes stay registered until the new ones are.
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, bytes.data(),
                     static_cast<uint32_t>(bytes.size()));
    archive_.swap(bytes);
    return true;
}

bool ShowSource::readScript(std::string& text) {
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(SCRIPT_FILE, &size);
    if (!bytes) {
        failure_ = "the show has no data\\script.txt";
        return false;
    }
    text.assign(reinterpret_cast<const char*>(bytes.get()), size);
    return true;
}
