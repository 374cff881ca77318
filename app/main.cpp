#include "startup.h"

int main(int argc, char **argv) { return vosk::runProgram(argc, argv); }
