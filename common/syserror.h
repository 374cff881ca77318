#pragma once
#include <string>

namespace vosk {

// Why a file operation failed, for a message the user reads: the program's own Russian words
// for the errors a user meets (no space, read-only, no permission, not found, input/output
// error, quota, too many open files, file too large …), the system's own text after it in
// brackets as a detail. Code page 1251, fit to follow a file's name after ": ".
std::string systemErrorText(int err);

} // namespace vosk
