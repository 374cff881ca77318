#include "folderlock.h"

#include "cp1251.h"
#include "messages.h"

#include <QFile>
#include <QSysInfo>
#include <cerrno>
#include <csignal>

namespace vosk {
namespace {

bool processRuns(qint64 pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

} // namespace

FolderLock::FolderLock(const std::string &datapath) : path_(datapath + "voskbase.lock")
{
    lock_ = std::make_unique<QLockFile>(QFile::decodeName(path_.c_str()));
    // Never by age: a program may keep the folder for days, on another host too.
    lock_->setStaleLockTime(0);
}

FolderLock::~FolderLock() = default;

FolderLock::Holder FolderLock::holder() const
{
    Holder h;
    QString host, app;
    if (lock_->getLockInfo(&h.pid, &host, &app))
        h.host = host.toStdString();
    return h;
}

FolderLock::State FolderLock::tryAcquire()
{
    // QLockFile itself takes over a lock whose process is gone; the user is asked first.
    const Holder h = holder();
    if (h.pid > 0 && h.host == QSysInfo::machineHostName().toStdString() && !processRuns(h.pid) &&
        QFile::exists(QFile::decodeName(path_.c_str())))
        return State::Stale;
    if (lock_->tryLock(0))
        return State::Acquired;
    return lock_->error() == QLockFile::LockFailedError ? State::Held : State::Failed;
}

bool FolderLock::takeOver()
{
    lock_->removeStaleLockFile();
    return lock_->tryLock(0);
}

FolderAccess decideFolderAccess(FolderLock &lock, Messages &messages)
{
    return decideFolderAccess(lock, lock.tryAcquire(), messages);
}

FolderAccess decideFolderAccess(FolderLock &lock, FolderLock::State tried, Messages &messages)
{
    const std::string lockName = pathForMessage(lock.path());
    switch (tried) {
        case FolderLock::State::Acquired:
        case FolderLock::State::Failed:
            return FolderAccess::Write;
        case FolderLock::State::Held: {
            const FolderLock::Holder h = lock.holder();
            const int c = messages.choose(
                cp1251("С этой базой уже работает другая копия программы (компьютер ") + pathForMessage(h.host) +
                    cp1251(", процесс ") + std::to_string(h.pid) + cp1251("; файл блокировки ") + lockName +
                    cp1251(").\rДве программы, записывающие одну базу, теряли бы изменения друг друга. Можно открыть "
                           "базу только для просмотра или выйти."),
                {cp1251("Только просмотр"), cp1251("Выйти")});
            return c == 0 ? FolderAccess::ReadOnly : FolderAccess::Quit;
        }
        case FolderLock::State::Stale: {
            const FolderLock::Holder h = lock.holder();
            const int c = messages.choose(
                cp1251("База занята программой, которой больше нет (процесс ") + std::to_string(h.pid) +
                    cp1251(" на этом компьютере): вероятно, она была завершена аварийно.\rСнять блокировку ") +
                    lockName + cp1251(" и работать с базой?"),
                {cp1251("Снять блокировку"), cp1251("Только просмотр"), cp1251("Выйти")});
            if (c == 0) {
                if (lock.takeOver())
                    return FolderAccess::Write;
                messages.error(cp1251("Не удалось снять блокировку ") + lockName +
                               cp1251(" (её, возможно, только что взяла другая программа). База открыта только для просмотра."));
                return FolderAccess::ReadOnly;
            }
            return c == 1 ? FolderAccess::ReadOnly : FolderAccess::Quit;
        }
    }
    return FolderAccess::Write;
}

} // namespace vosk
