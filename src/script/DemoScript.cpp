#include "script/DemoScript.h"

#include "platform/EmbeddedArchive.h"

int DemoScript::load(const char* fileName) {
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(fileName, &size);
    if (!bytes)
        return -1;
    parse(std::string_view(reinterpret_cast<const char*>(bytes.get()), size));
    return 0;
}

void DemoScript::parse(std::string_view text, ScriptProblems* problems) {
    textdemoscript(text, *this, problems);
}

bool DemoScript::insert(std::unique_ptr<LayerEntry> entry) {
    const std::string name = entry->name();
    return entries_.emplace(name, std::move(entry)).second;
}
