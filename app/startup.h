#pragma once

namespace vosk {

// Shows the splash, creates the inventory, picture and reference windows in that order,
// closes the splash and runs the event loop until the inventory window is closed.
int runProgram(int argc, char **argv);

} // namespace vosk
