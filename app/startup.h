#pragma once

class QTranslator;

namespace vosk {

// Loads Qt's Russian catalogue (qtbase_ru, from Qt's translations folder) into `translator`;
// false when it is not installed.
bool loadQtRussian(QTranslator &translator);

// Shows the splash, creates the inventory, picture and reference windows in that order,
// closes the splash and runs the event loop until the inventory window is closed.
int runProgram(int argc, char **argv);

} // namespace vosk
