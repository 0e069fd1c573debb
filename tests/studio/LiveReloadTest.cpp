#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "studio/EglShowContext.h"
#include "studio/FolderWatch.h"
#include "studio/LooseFiles.h"
#include "studio/ShowRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>

namespace {

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string text(LooseFiles& files, const char* name) {
    uint32_t size = 0;
    const ArchiveBytes bytes = files.read(name, &size);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes.get()), size) : "(none)";
}

class LiveReloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/glimmer-studio-live-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        mkdir((scratch + "/data").c_str(), 0755);
    }
    void TearDown() override { std::system(("rm -rf '" + scratch + "'").c_str()); }

    std::string scratch;
};

} // namespace

TEST_F(LiveReloadTest, FilesKeepTheBytesReadUntilRefreshedAndRollBackToThem) {
    LooseFiles files(scratch);
    writeFile(scratch + "/data/a.png", "one");
    EXPECT_EQ(text(files, "data\\a.png"), "one");
    EXPECT_EQ(text(files, "data\\b.png"), "(none)");
    writeFile(scratch + "/data/a.png", "two");
    writeFile(scratch + "/data/b.png", "new");
    EXPECT_EQ(text(files, "data\\a.png"), "one") << "an edit is read only once refreshed";
    EXPECT_EQ(text(files, "data\\b.png"), "(none)");
    EXPECT_TRUE(files.asked("data\\b.png"));
    EXPECT_FALSE(files.asked("data\\c.png"));

    files.refresh({"data\\a.png", "data\\b.png"});
    EXPECT_EQ(text(files, "data\\a.png"), "two");
    files.refresh({"data\\a.png"}); // a second save before the reload is taken
    writeFile(scratch + "/data/a.png", "three");
    EXPECT_EQ(text(files, "data\\a.png"), "three");
    files.rollBack();
    EXPECT_EQ(text(files, "data\\a.png"), "one");
    EXPECT_EQ(text(files, "data\\b.png"), "(none)") << "b was not read before the roll-back";

    files.refresh({"data\\a.png", "data\\b.png"});
    EXPECT_EQ(text(files, "data\\a.png"), "three");
    files.commit();
    files.rollBack();
    EXPECT_EQ(text(files, "data\\a.png"), "three");
    EXPECT_EQ(text(files, "data\\b.png"), "new");
    EXPECT_EQ(files.askedNames(), (std::vector<std::string>{"data\\a.png", "data\\b.png"}));
}

TEST_F(LiveReloadTest, SavesAreHandedOutOnceTheFolderIsQuiet) {
    EXPECT_FALSE(FolderWatch(scratch + "/missing").watching());
    FolderWatch watch(scratch);
    ASSERT_TRUE(watch.watching()) << watch.failure();
    const FolderWatch::Clock::time_point start = FolderWatch::Clock::now();
    writeFile(scratch + "/data/a.png", "1");
    writeFile(scratch + "/script.txt", "2");
    writeFile(scratch + "/data/a.png", "3");
    EXPECT_TRUE(watch.settledChanges(start).empty()) << "not quiet yet";
    const auto quiet = start + FolderWatch::QUIET;
    EXPECT_EQ(watch.settledChanges(quiet), (std::vector<std::string>{"data/a.png", "script.txt"}));
    EXPECT_TRUE(watch.settledChanges(quiet + FolderWatch::QUIET).empty());

    // An editor's save by moving a new file over the old one, and a removal.
    writeFile(scratch + "/data/b.tmp", "4");
    std::rename((scratch + "/data/b.tmp").c_str(), (scratch + "/data/b.png").c_str());
    std::remove((scratch + "/script.txt").c_str());
    const auto later = quiet + 10 * FolderWatch::QUIET;
    EXPECT_EQ(watch.settledChanges(later + FolderWatch::QUIET / 2), std::vector<std::string>{});
    EXPECT_EQ(watch.settledChanges(later + 2 * FolderWatch::QUIET),
              (std::vector<std::string>{"data/b.png", "data/b.tmp", "script.txt"}));
}

// The show's failures come back from the run; the process goes on.
TEST_F(LiveReloadTest, AShowThatCannotReadAFileFailsWithoutEndingTheProcess) {
    EglShowContext context(160, 120);
    ShowRun run(context, 60);
    ASSERT_TRUE(run.restart("[a]\r\nClearLayer\r\n0\r\n1000\r\n@\r\n")) << run.failure();
    ASSERT_TRUE(run.seek(100));

    EXPECT_FALSE(run.restart("[a]\r\nAnim3dsPlayer:data\\no-such-scene\r\n0\r\n1000\r\n@\r\n"));
    EXPECT_NE(run.failure().find("data\\no-such-scene"), std::string::npos) << run.failure();

    writeFile(scratch + "/data/broken.3ds", "not a scene");
    setLooseFileLookup([this](const char* name, uint32_t* size) {
        LooseFiles files(scratch);
        return files.read(name, size);
    });
    EXPECT_FALSE(run.restart("[a]\r\nAnim3dsPlayer:data\\broken.3ds\r\n0\r\n1000\r\n@\r\n"))
        << "a damaged scene from the folder";
    EXPECT_NE(run.failure().find("data\\broken.3ds"), std::string::npos) << run.failure();

    ASSERT_TRUE(
        run.restart("[a]\r\nImageLayer\r\n0\r\n1000\r\n200 s FILE data\\gone.png\r\n@\r\n"));
    EXPECT_TRUE(run.seek(100));
    EXPECT_FALSE(run.seek(300)) << "the picture an event names is missing";
    EXPECT_NE(run.failure().find("data\\gone.png"), std::string::npos) << run.failure();
    EXPECT_TRUE(run.running());
    setLooseFileLookup(nullptr);
    clearQuitMessagesForTesting();
}
