#pragma once
#include <string>

namespace vosk {

// The installation folder from the machine-wide, read-only settings file Ferrowind/Vosk.conf
// in the system configuration folders (on Linux /etc/xdg, or the first folder of
// XDG_CONFIG_DIRS). The file plays the part of a registry key: no file, no folder (empty:
// the current folder); a file without `path` gives the root folder. One '/' is always
// appended to the value, even when it ends in one. Nothing is ever written there.
std::string readpath();

} // namespace vosk
