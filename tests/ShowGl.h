// GL tests of the effects: layer tests with the show's own archive embedded (the
// pictures the effects load) and the window's projection, which layers that set
// none draw with.
#pragma once

#include "LayerTest.h"

#include <lib3ds/file.h>

#include <string>

class ShowGlTest : public LayerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Embeds another archive in place of the show's for the rest of the test.
    void embed(const Bytes& archive);

private:
    Bytes archive_;
};

// Writes a scene built by a test to build/test-scenes/NAME and returns the path.
std::string saveTestScene(Lib3dsFile* scene, const std::string& name);
