// The program entry: runs the demonstration application. An error raised while
// the engine starts (no video, no event thread) ends the program with its
// message on standard error and exit status 1.
#include <SDL.h>

#include "app/Simple3DSDemo.h"

int main(int argc, char* argv[]) {
    (void)argc;
    (void)argv;
    return runProgram<Simple3DSDemo>();
}
