#include "studio/LooseFiles.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::optional<std::vector<unsigned char>> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string replaced(std::string text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

} // namespace

std::string looseFilePath(const std::string& directory, const std::string& entryName) {
    return replaced(directory + "/" + entryName, '\\', '/');
}

std::string entryNameOf(const std::string& relativePath) {
    return replaced(relativePath, '/', '\\');
}

ArchiveBytes LooseFiles::read(const char* entryName, uint32_t* size) {
    auto found = held_.find(entryName);
    if (found == held_.end())
        found = held_.emplace(entryName, readWhole(looseFilePath(directory_, entryName))).first;
    const Held& bytes = found->second;
    if (!bytes)
        return nullptr;
    // One byte more, so that an empty file is still a buffer and not "missing".
    ArchiveBytes buffer(static_cast<unsigned char*>(std::malloc(bytes->size() + 1)));
    if (!buffer)
        return nullptr;
    std::copy(bytes->begin(), bytes->end(), buffer.get());
    *size = static_cast<uint32_t>(bytes->size());
    return buffer;
}

std::vector<std::string> LooseFiles::askedNames() const {
    std::vector<std::string> names;
    for (const auto& entry : held_)
        names.push_back(entry.first);
    return names;
}

void LooseFiles::refresh(const std::vector<std::string>& entryNames) {
    for (const std::string& name : entryNames) {
        const auto found = held_.find(name);
        if (found == held_.end())
            continue; // read from the folder when first asked for anyway
        before_.emplace(name, std::move(found->second)); // the first refresh's bytes win
        held_.erase(found);
    }
}

void LooseFiles::rollBack() {
    for (auto& entry : before_)
        held_[entry.first] = std::move(entry.second);
    before_.clear();
}
