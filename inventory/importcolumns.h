#pragma once
// The columns a user chose for a table whose header did not say them, remembered in the
// user's own settings (not in the data files) for the next table with the same header.
#include "csvio.h"

#include <optional>
#include <string>
#include <vector>

namespace vosk {

std::optional<std::vector<ImportField>> rememberedColumns(const std::vector<std::string> &header);
void rememberColumns(const std::vector<std::string> &header, const std::vector<ImportField> &columns);

} // namespace vosk
