#pragma once
#include <cstdint>
#include <string>

namespace vosk {

class Messages;

// One writer per installation folder: the lock file voskbase.lock in the folder, held by the
// window and by voskbase-cli while they may write the folder. The file names its holder, one
// field a line: the process number, the program, the host, the machine's and the boot's
// identities (/etc/machine-id, the kernel's boot_id). The holder also keeps the file locked
// (flock) for as long as it runs, so on this host a live holder is seen whatever the file says.
//
// A lock is taken over only when its holder is provably gone: the file names a process of
// this host that no longer runs (or ran before the machine last started), or names no holder
// at all (empty, or not written by this program). Never by age: a program may keep the
// folder for days, and a holder on another host cannot be seen from here.
class FolderLock {
public:
    // `datapath`: the installation folder with its trailing '/', or empty for the current one.
    explicit FolderLock(const std::string &datapath);
    ~FolderLock(); // releases the lock when held
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    enum class State {
        Acquired,  // this program holds the lock now
        Held,      // a running program of this host holds it
        Unknown,   // the holder cannot be known here: another host, or an unreadable lock file
        Stale,     // left by a program of this host that no longer runs
        Abandoned, // the file names no holder (empty or junk): nobody holds it
        Failed,    // no lock can be made (a missing or read-only folder)
    };
    State tryAcquire();
    // Takes over a lock that tryAcquire found Stale or Abandoned, checking again, under the
    // file's own lock, that its holder is still gone. False when it is not, or the file
    // cannot be replaced.
    bool takeOver();
    // Gives the lock up: the file goes (also done when the object goes).
    void release();
    bool held() const { return fd_ >= 0; }

    struct Holder {
        int64_t pid = 0; // 0 when the file names none
        std::string program;
        std::string host;
        bool thisHost = false;
    };
    // Who holds the lock, as the file said when last looked at (after Held, Unknown or Stale).
    const Holder &holder() const { return holder_; }
    std::string path() const { return path_; }
    // Why the lock could not be made (Failed) or its file read (Unknown), in code page 1251.
    const std::string &reason() const { return reason_; }

private:
    State create();
    State judge(int fd);

    std::string datapath_;
    std::string path_;
    int fd_ = -1; // the lock file while held
    Holder holder_;
    std::string reason_;
};

// Gives a file this program creates in the installation folder (the lock, the journal) to the
// folder's group, readable and writable by it, when the folder itself is writable by its
// group: another member of the group can then take over what a killed program left.
void shareWithFolderGroup(int fd, const std::string &datapath);

// The texts both programs give about a lock they could not take (Held, Unknown) or took over
// (Stale, Abandoned), in code page 1251: who holds it, and what the user can do.
std::string folderHeldText(const FolderLock &lock, FolderLock::State state);
std::string folderTakenOverText(const FolderLock &lock, FolderLock::State state);

enum class FolderAccess { Write, ReadOnly, Quit };

// Takes the folder's lock for the window, asking the user what to do when another program
// holds it (open the base read-only, or quit) or when a crashed program left it (take it
// over, open read-only, or quit). A lock that names no holder is taken over, and the user
// is told. A folder where no lock can be made is opened for writing: saving there tells its
// own story.
FolderAccess decideFolderAccess(FolderLock &lock, Messages &messages);
// The same, for a lock tried already (`tried` is what tryAcquire returned).
FolderAccess decideFolderAccess(FolderLock &lock, FolderLock::State tried, Messages &messages);

} // namespace vosk
