// The program entry. The program takes no options.
#include "app/Program.h"

int main() {
    return runProgram();
}
