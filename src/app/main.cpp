// The program entry. The program plays the show: it answers --help and
// --version and ignores every other argument, as the show has no options.
#include "app/Program.h"
#include "platform/StandardOptions.h"

namespace {

const char* const USAGE =
    "usage: glimmerfell\n"
    "Plays the glimmerfell demo: three minutes of music and real-time OpenGL.\n"
    "At start it asks \"Full screen experience?\": Return answers Yes, Escape No.\n"
    "Keys: Escape ends the show, Return toggles full screen.\n"
    "The 3D scenes are read from data/ in the working directory, else from data/\n"
    "beside the program, else from ../share/glimmerfell/data beside it.\n"
    "Exit status: 0 after the show (or Escape), 255 when it stops on a failure.\n";

} // namespace

int main(int argc, char** argv) {
    const int answered = answerStandardOptions(argc, argv, "glimmerfell", USAGE);
    if (answered >= 0)
        return answered;
    return runProgram();
}
