#pragma once
#include <string>

namespace vosk::cli {

// The help of voskbase-cli in the language of the user's locale (Russian for ru_*, English
// otherwise).
bool russianLocale();
std::string helpText(bool russian);

} // namespace vosk::cli
