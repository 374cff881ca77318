#include "standardfds.h"
#include "startup.h"

int main(int argc, char **argv)
{
    vosk::openClosedStandardDescriptors();
    return vosk::runProgram(argc, argv);
}
