#include "studio/ShowSource.h"
#include "ArchiveWriter.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Resources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string extracted(const char* name) {
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(name, &size);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes.get()), size) : "(missing)";
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A scratch folder holding a show archive file and a folder of loose files.
class ShowSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/glimmer-studio-source-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        mkdir((scratch + "/show").c_str(), 0755);
        mkdir((scratch + "/show/data").c_str(), 0755);
    }
    void TearDown() override {
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
        std::system(("rm -rf '" + scratch + "'").c_str());
    }

    // Writes an archive file with the script and one picture.
    std::string writeArchive(const std::string& script) {
        ArchiveWriter writer;
        writer.addStoredFile("DATA\\SCRIPT.TXT", bytesOf(script));
        writer.addStoredFile("data\\hand.png", bytesOf("hand from the archive"));
        const Bytes archive = writer.finish();
        const std::string path = scratch + "/show.rar";
        writeFile(path, std::string(archive.begin(), archive.end()));
        return path;
    }

    std::string scratch;
};

} // namespace

TEST_F(ShowSourceTest, LooseFilesOverrideTheirEntriesAndTheArchiveGivesTheRest) {
    ArchiveWriter builtIn;
    builtIn.addStoredFile("data\\script.txt", bytesOf("built-in script"));
    const Bytes builtInArchive = builtIn.finish();
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, builtInArchive.data(),
                     static_cast<uint32_t>(builtInArchive.size()));
    {
        ShowSource source;
        ASSERT_TRUE(source.useArchiveFile(writeArchive("archive script")));
        writeFile(scratch + "/show/data/script.txt", "loose script");
        source.useDirectory(scratch + "/show");
        std::string script;
        ASSERT_TRUE(source.readScript(script));
        EXPECT_EQ(script, "loose script");
        EXPECT_EQ(extracted("data\\hand.png"), "hand from the archive");
        EXPECT_EQ(extracted("data\\cred.png"), "(missing)");
        // An empty loose file is a file, not a missing one.
        writeFile(scratch + "/show/data/blank.png", "");
        EXPECT_EQ(extracted("data\\blank.png"), "");
    }
    // Gone with the source: the built-in archive is back, the folder not asked.
    EXPECT_EQ(extracted("data\\script.txt"), "built-in script");
}

TEST_F(ShowSourceTest, ReloadReadsTheArchiveFileAgain) {
    ShowSource source;
    ASSERT_TRUE(source.useArchiveFile(writeArchive("first")));
    writeArchive("second");
    std::string script;
    ASSERT_TRUE(source.readScript(script));
    EXPECT_EQ(script, "first");
    ASSERT_TRUE(source.reload());
    ASSERT_TRUE(source.readScript(script));
    EXPECT_EQ(script, "second");

    unlink((scratch + "/show.rar").c_str());
    EXPECT_FALSE(source.reload());
    EXPECT_NE(source.failure().find("show.rar"), std::string::npos);
    ASSERT_TRUE(source.readScript(script)); // the last good archive stays
    EXPECT_EQ(script, "second");
}

TEST_F(ShowSourceTest, AMissingScriptIsReported) {
    ShowSource source;
    EXPECT_FALSE(source.useArchiveFile(scratch + "/no-such.rar"));
    ASSERT_TRUE(source.useArchiveFile(writeArchive("x")));
    source.useDirectory(scratch + "/show");
    ArchiveWriter writer;
    writer.addStoredFile("data\\other.txt", bytesOf("y"));
    const Bytes archive = writer.finish();
    writeFile(scratch + "/show.rar", std::string(archive.begin(), archive.end()));
    ASSERT_TRUE(source.reload());
    std::string script;
    EXPECT_FALSE(source.readScript(script));
    EXPECT_EQ(source.failure(), "the show has no data\\script.txt");
}
