#pragma once
#include <optional>
#include <string>

namespace vosk {

// The raw bytes of an embedded file such as ":/reference/marking.txt";
// nothing when the program was built without it.
std::optional<std::string> resourceBytes(const char *path);

} // namespace vosk
