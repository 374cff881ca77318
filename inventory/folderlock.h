#pragma once
#include <QLockFile>

#include <memory>
#include <string>

namespace vosk {

class Messages;

// One writer per installation folder: the lock file voskbase.lock in the folder (QLockFile,
// which records the host and process of its holder). It is held for the program's lifetime
// and goes when the program ends; a program killed leaves it behind, and the next start,
// seeing that no such process runs on this host, offers to take it over.
class FolderLock {
public:
    // `datapath`: the installation folder with its trailing '/', or empty for the current one.
    explicit FolderLock(const std::string &datapath);
    ~FolderLock();

    enum class State {
        Acquired, // this program holds the lock now
        Held,     // a running program (here or on another host sharing the folder) holds it
        Stale,    // left by a program of this host that no longer runs
        Failed,   // no lock can be made (a missing or read-only folder)
    };
    State tryAcquire();
    // Removes a stale lock and takes it.
    bool takeOver();
    // Gives the lock up (also done when the object goes).
    void release() { lock_->unlock(); }

    struct Holder {
        qint64 pid = 0;
        std::string host;
    };
    // Who holds the lock (after Held or Stale).
    Holder holder() const;
    std::string path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<QLockFile> lock_;
};

enum class FolderAccess { Write, ReadOnly, Quit };

// Takes the folder's lock, asking the user what to do when another program holds it (open
// the base read-only, or quit) or when a crashed program left it (take it over, open
// read-only, or quit). A folder where no lock can be made is opened for writing: saving
// there tells its own story.
FolderAccess decideFolderAccess(FolderLock &lock, Messages &messages);
// The same, for a lock tried already (`tried` is what tryAcquire returned).
FolderAccess decideFolderAccess(FolderLock &lock, FolderLock::State tried, Messages &messages);

} // namespace vosk
