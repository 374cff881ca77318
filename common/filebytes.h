#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vosk {

enum class ReadStatus { Ok, Missing, Failed };

// How much each file the program reads may legitimately hold. A file beyond its bound is
// read up to the bound, reported and left unread past it, so a huge file (or /dev/zero made
// to look like one) can neither exhaust memory nor keep the program busy.
namespace readlimit {
// main.dat: 65,535 records of 512 bytes on average (a name and a description typed into
// one-line boxes; the bundled records are under 40 bytes). The bound keeps a whole file and
// the store made of it well inside 200 MB of memory.
constexpr size_t kMainFile = size_t(32) << 20;
// The change journal: one line per change, each shorter than a record line; a session that
// made more changes than this without saving is not a case the program meets.
constexpr size_t kJournal = size_t(64) << 20;
// strings.dat (100 lines are used) and components.lst (category names).
constexpr size_t kDictionary = size_t(1) << 20;
constexpr size_t kCategories = size_t(1) << 20;
// A category icon is a 16 x 16 bitmap (about 1 KiB); a help text is a few pages.
constexpr size_t kIcon = size_t(1) << 20;
constexpr size_t kHelpText = size_t(512) << 10;
// A CSV file to import: an export of a full main.dat in UTF-8, with room to spare. It is read
// piece by piece, so the bound is about time, not memory.
constexpr size_t kImport = size_t(128) << 20;
// The settings file holds one line.
constexpr size_t kSettings = size_t(64) << 10;
// Callers that name no bound.
constexpr size_t kDefault = kMainFile;
} // namespace readlimit

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    // Everything read, also when reading stopped early (an error, the bound).
    std::string bytes;
    // Why reading failed, in code page 1251, fit to follow the file's name in a message.
    std::string reason;
    // Failed because the path is a FIFO, a device, a folder or a socket: nothing was read.
    bool notRegular = false;
    // Failed because the file holds more than the bound: `bytes` holds the first part.
    bool tooLarge = false;
};

// Reads a regular file whole, up to `limit` bytes. The file is opened without blocking (a
// FIFO never hangs the program) and refused unless it is a regular file. Missing only when
// the file does not exist at all; Failed for anything that stops it from being read to its
// end (permission, a read error, a change of size while it was read, the bound).
[[nodiscard]] ReadResult readFileBytes(const std::string &path, size_t limit = readlimit::kDefault);

// The same, piece by piece: `take` is called with each piece read, in order, and `bytes` of
// the result stays empty. For files read by a streaming parser (an import).
[[nodiscard]] ReadResult readFileChunks(const std::string &path, size_t limit,
                                        const std::function<void(std::string_view)> &take);

// "Не удалось прочитать файл <path>: <reason>" for a failed read, in code page 1251.
std::string readFailureMessage(const std::string &path, const ReadResult &r);

// The icon and help text readers of the inventory window, with their bounds.
inline ReadResult readIconFile(const std::string &path) { return readFileBytes(path, readlimit::kIcon); }
inline ReadResult readHelpText(const std::string &path) { return readFileBytes(path, readlimit::kHelpText); }

// What a write did: done, or why not (code page 1251, fit to follow the file's name).
struct WriteResult {
    bool ok = false;
    std::string reason;
    explicit operator bool() const { return ok; }
};

// Creates an empty file.
[[nodiscard]] WriteResult createEmptyFile(const std::string &path);

// Replaces the file with the given bytes so that, whatever happens meanwhile (a crash, a
// kill, a full disk), the file is afterwards either the old one or the new one, whole: the
// bytes go to a temporary file "<name>.XXXXXX" in the same folder, reach the disk, and are
// renamed over it. Only a regular file (or a path where nothing is) is replaced: a FIFO, a
// device node or a folder there is refused and left as it is. A symbolic link is written
// through: the file it points to is replaced (in its own folder) and the link stays. The new
// file keeps the old one's mode and group, so that a folder shared by a group stays readable
// by all of it; when the group cannot be kept, nothing is replaced and the reason says so.
[[nodiscard]] WriteResult replaceFileAtomically(const std::string &path, const std::string &bytes);

// The file a path names once symbolic links are followed (the path itself when it is none).
std::string resolveLinks(const std::string &path);

// Removes the temporary files replaceFileAtomically leaves when the program is killed while
// it writes ("main.dat.XXXXXX", "strings.dat.XXXXXX", "components.lst.XXXXXX", six letters
// or digits) from the folder (`datapath` with its trailing '/', or empty for the current
// one). A file still being written by a running program is locked by it and stays. Returns
// how many went.
int removeLeftoverTemporaries(const std::string &datapath);

} // namespace vosk
