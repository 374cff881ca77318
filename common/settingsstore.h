#pragma once
#include <string>
#include <string_view>

namespace vosk {

// The installation folder from the machine-wide, read-only settings file Ferrowind/Vosk.conf
// in the system configuration folders (on Linux /etc/xdg, or the first folder of
// XDG_CONFIG_DIRS). The file plays the part of a registry key: no readable file (missing,
// unreadable, not a regular file), no folder (empty: the current folder); a file without
// `path` gives the root folder. One '/' is always appended to the value, even when it ends
// in one. Nothing is ever written there.
std::string readpath();

// Where that settings file is looked for.
std::string settingsFilePath();

// The value of `path` in the bytes of a settings file, as a user writes it: a line
// `path=<folder>` (blanks around the name, the sign and the value do not count) in the
// general part of the file (before any [section], or in [General]); the folder as UTF-8
// bytes, with spaces, commas and any letters, bare or in double quotes (inside quotes \"
// and \\ stand for " and \). `found` tells whether the file had such a line.
std::string parseSettingsPath(std::string_view bytes, bool &found);
// The same for any key of the general part.
std::string parseSettingsValue(std::string_view bytes, std::string_view key, bool &found);

// The stock on a PostgreSQL server instead of the folder: the value of `server` in the same
// file (a libpq connection string or a service, "service=voskbase"), read as `path` is; empty
// when there is none, and then the folder is the stock. Passwords are never taken from here
// (see vosk::server::settingsConninfo): libpq finds them in its own places.
std::string readserver();

} // namespace vosk
