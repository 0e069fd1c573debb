#include "ShowGl.h"

#include "TestSupport.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <sys/stat.h>

void ShowGlTest::SetUp() {
    LayerTest::SetUp();
    const std::vector<unsigned char> show =
        readWholeFile(std::string(GLIMMER_BUILD_DIR) + "/data.rar");
    ASSERT_FALSE(show.empty()) << "the show's archive is built with the tests";
    embed(Bytes(show.begin(), show.end()));
    glMatrixMode(GL_PROJECTION);
    gluPerspective(54.0, 800.0 / 600.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
}

void ShowGlTest::TearDown() {
    setClockForTesting(nullptr);
    LayerTest::TearDown();
}

void ShowGlTest::embed(const Bytes& archive) {
    archive_ = archive;
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive_.data(),
                     static_cast<uint32_t>(archive_.size()));
}

std::string saveTestScene(Lib3dsFile* scene, const std::string& name) {
    const std::string directory = std::string(GLIMMER_BUILD_DIR) + "/test-scenes";
    mkdir(directory.c_str(), 0755);
    const std::string path = directory + "/" + name;
    EXPECT_TRUE(lib3ds_file_save(scene, path.c_str())) << path;
    return path;
}
