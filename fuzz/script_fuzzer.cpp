// Parses the input as a show script and checks the entries it makes: each name
// non-empty and found in the text, events in delivery order, value tokens of at
// most 255 bytes. Message boxes are swallowed.
//
// A 3DS player reads its scene file when it is made and ends the process when it
// cannot, as the program must; a mutated scene name would end every run. The
// harness therefore leaves that class unknown to the parser (its last letter
// changed), so the rest of a script is still parsed and its layers made. Scene
// files have a fuzzer of their own (scene3ds_fuzzer).
#include "platform/Platform.h"
#include "script/DemoScript.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setMessageBoxForTesting([](const std::string&, const std::string&, int) { return IDOK; });
    return 0;
}

namespace {

void hideScenePlayers(std::string& text) {
    static const std::string player = "Anim3dsPlayer";
    for (size_t at = text.find(player); at != std::string::npos; at = text.find(player, at))
        text[at + player.size() - 1] = 'Z';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    hideScenePlayers(text);
    DemoScript script;
    script.parse(text);
    for (const auto& item : script.entries()) {
        const LayerEntry& entry = *item.second;
        if (entry.name().empty() || text.find(entry.name()) == std::string::npos || !entry.layer())
            std::abort();
        const auto& events = entry.events();
        for (size_t i = 0; i < events.size(); ++i) {
            if ((i > 0 && events[i - 1].time > events[i].time) ||
                events[i].stringValue.size() > 255)
                std::abort();
        }
    }
    return 0;
}
