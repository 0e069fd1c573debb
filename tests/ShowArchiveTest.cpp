// The show's archive as the build packs it: every entry in the show's order,
// each picture extracting to the file the picture generator wrote.
#include "TestSupport.h"
#include "app/Program.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char* const kShowEntries[] = {
    "data",
    "data\\2dunkelr.png",
    "data\\eye_020715_lower_banner_rep.png",
    "data\\donut.png",
    "data\\eye_020715_toplayer.png",
    "data\\obererbalken.png",
    "data\\lava_negx.png",
    "data\\lava_negy.png",
    "data\\lava_negz.png",
    "data\\lava_posx.png",
    "data\\lava_posy.png",
    "data\\lava_posz.png",
    "data\\schmettalyng.png",
    "data\\hand.png",
    "data\\balken.png",
    "data\\dunkelr.png",
    "data\\3dunkelr.png",
    "data\\set_18.mp3",
    "data\\cred.png",
    "data\\outro.png",
    "DATA\\SCRIPT.TXT",
    "data\\getting.png",
    "data\\Impact.png",
    "data\\greetings.png",
};

const std::string kSoundtrack = "data\\set_18.mp3";

} // namespace

TEST(ShowArchive, HoldsTheShowsEntriesInOrder) {
    const std::vector<unsigned char> bytes =
        readWholeFile(std::string(GLIMMER_BUILD_DIR) + "/data.rar");
    ASSERT_FALSE(bytes.empty());
    ResourceArchive archive = viewOf(bytes);
    std::vector<std::string> names;
    ASSERT_TRUE(forEachArchiveEntry(
        archive, [&](const ArchiveFileHeader& header) { names.emplace_back(header.name); }));

    // The soundtrack comes from its own generator and may not be plugged in yet.
    std::vector<std::string> expected;
    const bool withSoundtrack = std::find(names.begin(), names.end(), kSoundtrack) != names.end();
    for (const char* name : kShowEntries)
        if (withSoundtrack || name != kSoundtrack)
            expected.emplace_back(name);
    EXPECT_EQ(names, expected);
    // The program decodes these ahead by name: a stale name would be decoded for nothing.
    std::vector<std::string> decodedAhead(SCENE_PICTURES.begin(), SCENE_PICTURES.end());
    decodedAhead.insert(decodedAhead.end(), PRELOADED_PICTURES.begin(), PRELOADED_PICTURES.end());
    for (const std::string& picture : decodedAhead)
        EXPECT_NE(std::find(names.begin(), names.end(), picture), names.end()) << picture;

    for (const std::string& name : expected) {
        if (name.rfind(".png") != name.size() - 4)
            continue;
        SCOPED_TRACE(name);
        const Extracted entry = extract(archive, name.c_str());
        ASSERT_EQ(entry.result, 1);
        const std::vector<unsigned char> picture =
            readWholeFile(std::string(GLIMMER_BUILD_DIR) + "/content/pictures/" + name.substr(5));
        EXPECT_EQ(entry.text(), std::string(picture.begin(), picture.end()));
    }
}
