#pragma once
#include <string>

namespace vosk {

enum class ReadStatus { Ok, Missing, Failed };

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;
    std::string reason; // the system's words for a failure (ASCII)
};

// The whole file in one read; Missing only when the file does not exist at all.
ReadResult readFileBytes(const std::string &path);

// Creates an empty file; false with a reason when that is not possible.
bool createEmptyFile(const std::string &path, std::string &reason);

// Replaces the file with the given bytes so that, whatever happens meanwhile (a crash, a
// kill, a full disk), the file is afterwards either the old one or the new one, whole: the
// bytes go to a temporary file in the same folder, reach the disk, and are renamed over it.
bool replaceFileAtomically(const std::string &path, const std::string &bytes, std::string &reason);

} // namespace vosk
