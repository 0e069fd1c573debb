// Until the window and player exist, the program loads the show script from the
// embedded archive and reports how many layer blocks it holds.
#include "script/DemoScript.h"

#include <cstdio>

int main() {
    DemoScript script;
    if (script.load("data\\script.txt") < 0) {
        std::fprintf(stderr, "File not found: data\\script.txt\n");
        return 255;
    }
    std::printf("%zu layer blocks\n", script.entries().size());
    return 0;
}
