#include "studio/ShowSource.h"

#include "app/Program.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Resources.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

// The whole file in a malloc'd buffer, as the archive hands files out; null
// when it cannot be read.
ArchiveBytes readLooseFile(const std::string& path, uint32_t* size) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    if (in.bad())
        return nullptr;
    // One byte more, so that an empty file is still a buffer and not "missing".
    ArchiveBytes buffer(static_cast<unsigned char*>(std::malloc(bytes.size() + 1)));
    if (!buffer)
        return nullptr;
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    *size = static_cast<uint32_t>(bytes.size());
    return buffer;
}

} // namespace

std::string looseFilePath(const std::string& directory, const char* entryName) {
    std::string path = directory + "/" + entryName;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

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
    looseFiles_ = true;
    setLooseFileLookup([directory](const char* fileName, uint32_t* size) {
        return readLooseFile(looseFilePath(directory, fileName), size);
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
