#pragma once
#include <string>

namespace vosk::cli {

// voskbase-cli history: the folder's history of changes, newest first, as text or JSON lines.
// `since` and `find` in code page 1251 (empty: every line). The exit status.
int historyCommand(const std::string &datapath, const std::string &since, const std::string &find, bool json);

} // namespace vosk::cli
