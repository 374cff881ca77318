// splashopen: opening the inventory while the splash stays drawn.
#pragma once
#include "inventoryload.h"

#include <string>

namespace vosk {

class Tflash;

// Opens the inventory of a folder on a thread of its own while this thread, the windows',
// runs its event loop: the splash keeps being drawn, the window manager gets its answers
// (no «not responding»), and the replay of a journal a killed program left shows how far it
// got on the splash. User input waits, and nothing else of the program runs meanwhile: the
// windows that would change the store do not exist yet. For a folder whose opening may
// write (a journal to replay, a file to create): `messages` is called from the other thread,
// and a box waits there for its answer (BoxMessages shows it on this thread), so every file
// is still written only after what was said before it was answered.
OpenedInventory openBesideSplash(std::string datapath, Messages &messages, Tflash &splash);

// The text the splash shows at `percent` of a replay.
std::string recoveryProgressText(int percent);

} // namespace vosk
