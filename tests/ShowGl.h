// GL tests of the effects: the show's own archive embedded (the pictures the
// effects load), the program's start-up GL state and the window's projection,
// message boxes and quit requests
// recorded instead of shown; and frames compared with reference pictures.
#pragma once

#include "OffscreenGl.h"

#include <lib3ds/file.h>

#include <string>
#include <vector>

class ShowGlTest : public GlTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Embeds another archive in place of the show's for the rest of the test.
    void embed(const Bytes& archive);
    // The quit requests posted so far, oldest first; they are taken.
    std::vector<int> takeQuitRequests();

    // "caption: text" of every box shown, in order.
    std::vector<std::string> messages;

private:
    Bytes archive_;
};

// Compares the frame, reduced to a quarter of its width and height, with
// tests/reference/NAME.png: the mean difference of the colour channels must stay
// under 2 (of 255) and at most 1% of the pixels may differ by more than 40 in any
// channel. The frame goes to build/gl-shots/NAME.png for looking at and the
// reduced one to build/gl-shots/NAME-reference.png, the candidate should the
// reference be missing or due for renewal.
void expectFrameMatchesReference(const std::string& name);

// Writes a scene built by a test to build/test-scenes/NAME and returns the path.
std::string saveTestScene(Lib3dsFile* scene, const std::string& name);
