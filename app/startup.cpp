#include "startup.h"

#include "Unit1.h"
#include "boxmessages.h"
#include "closing.h"
#include "codec.h"
#include "cp1251.h"
#include "datafiles.h"
#include "filebytes.h"
#include "folderlock.h"
#include "imagery.h"
#include "inventoryload.h"
#include "params.h"
#include "pictures.h"
#include "placement.h"
#include "pictureformats.h"
#include "serverstock.h"
#include "sessionend.h"
#include "settingsstore.h"
#include "splash.h"
#include "splashopen.h"
#include "windowlinks.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fontconfig/fontconfig.h>
#include <functional>
#include <memory>
#include <thread>

namespace vosk {
namespace {

// --- The installation folder: who may write it, and what a killed program left there.

struct FolderSession {
    std::string datapath;
    std::unique_ptr<FolderLock> lock;
    FolderLock::State tried = FolderLock::State::Failed;
    // The data files being read on a second thread, when the folder is this program's to write.
    std::unique_ptr<InventoryLoad> load;
    bool readOnly = false;
    bool quit = false;
    // Vosk.conf's server=: the stock is on that server (the folder keeps the reference book).
    std::string server;
};

// Before the display is opened the folder's lock is tried, which asks nothing. When the
// folder is this program's to write, as it is unless another program holds it, and opening
// it only reads files, the data files start loading at once on a second thread: reading a
// full store overlaps Qt's connection to the display and the making of the windows. A
// missing file or a journal to replay is opened as before, on this thread once the splash
// is up, so that every file is written only after its message was answered.
FolderSession lockFolder()
{
    FolderSession s;
    s.datapath = readpath();
    s.server = readserver();
    setSettingsFileForMessages(settingsFilePath());
    s.lock = std::make_unique<FolderLock>(s.datapath);
    s.tried = s.lock->tryAcquire();
    if (s.tried == FolderLock::State::Acquired || s.tried == FolderLock::State::Failed) {
        // Only the folder's one writer may tell a leftover from a file being written.
        removeLeftoverTemporaries(s.datapath);
        if (s.server.empty() && DataFolder::loadOnlyReads(s.datapath))
            s.load = std::make_unique<InventoryLoad>(s.datapath);
    }
    return s;
}

// A folder that another program holds, or whose lock a killed program left: the user
// decides, with the splash up.
void askFolderAccess(FolderSession &s, Messages &messages)
{
    if (s.tried == FolderLock::State::Acquired || s.tried == FolderLock::State::Failed)
        return; // nothing to ask: the folder is this program's, its leftovers gone
    switch (decideFolderAccess(*s.lock, s.tried, messages)) {
    case FolderAccess::Write:
        removeLeftoverTemporaries(s.datapath);
        break;
    case FolderAccess::ReadOnly:
        s.readOnly = true;
        setFoldersReadOnly(true);
        break;
    case FolderAccess::Quit:
        s.quit = true;
        break;
    }
}

// Where the last stock read from the server is kept on this computer, to be opened read-only
// when the server cannot be reached at start: $XDG_CACHE_HOME/voskbase/server-snapshot (or
// ~/.cache/...); empty without a home.
std::string serverSnapshotFolder()
{
    if (const char *cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return std::string(cache) + "/voskbase/server-snapshot";
    if (const char *home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.cache/voskbase/server-snapshot";
    return {};
}

// The server Vosk.conf names, connected before the window is made. When it cannot be reached
// the user chooses: the last snapshot, read-only (`snapshot` then names its folder), or quitting
// (`s.quit`).
std::unique_ptr<server::ServerStock> connectServer(FolderSession &s, Messages &messages, std::string &snapshot)
{
    if (s.server.empty())
        return nullptr;
    const std::string folder = serverSnapshotFolder();
    auto stock = std::make_unique<server::ServerStock>(s.server);
    if (stock->ready()) {
        stock->setSnapshotFolder(folder);
        return stock;
    }
    std::error_code ec;
    const bool kept = !folder.empty() && std::filesystem::is_regular_file(folder + "/main.dat", ec);
    if (!kept) {
        messages.error(stock->error() + cp1251("\r\rСнимка склада на этом компьютере нет: программа закроется."));
        s.quit = true;
        return nullptr;
    }
    if (messages.choose(stock->error() + cp1251("\r\rМожно открыть последний снимок склада, сохраненный на этом "
                                                "компьютере при работе с сервером, — только для просмотра."),
                        {cp1251("Открыть снимок"), cp1251("Выйти")}) != 0) {
        s.quit = true;
        return nullptr;
    }
    setFoldersReadOnly(true);
    snapshot = folder + "/";
    // The list's icons and the help come from the installation folder, as they would on the server.
    (void)copyInstallationFolders(s.datapath, snapshot);
    return nullptr;
}

// Qt ends the process at once (a fatal message, then abort) when it cannot connect to the
// display. The folder's lock is taken before that: it must go with the process, or the next
// start would take it for the lock of a program that crashed and ask about it.
FolderLock *lockToDropOnFatal = nullptr;
QtMessageHandler qtMessages = nullptr;
void dropLockOnFatal(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg && lockToDropOnFatal)
        lockToDropOnFatal->release();
    if (qtMessages)
        qtMessages(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// --- Ends of the session that are not the close box: every one saves as closing does.

// Called by exit() when the program ends without returning from the event loop: Qt ends the
// process that way when the X server goes away.
std::function<void()> lastSave;
void runLastSave()
{
    if (auto save = std::exchange(lastSave, nullptr))
        save();
}

void watchSessionEnds(QApplication &app, Tbase &base, BoxMessages &messages, FolderLock &lock, SessionEnd *&sessionEnd)
{
    // No box can be answered any more at these ends: the texts go to the error stream.
    auto saveQuietly = [&base, &messages] {
        messages.setSilent(true);
        return base.savebtnClick();
    };
    sessionEnd = new SessionEnd([saveQuietly](int) { QCoreApplication::exit(saveQuietly() ? 0 : 1); }, &app);
    // The session manager asks before logging out: save, and let it go on.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &base, [&base](QSessionManager &) { base.savebtnClick(); });
    lastSave = [saveQuietly, &lock] {
        saveQuietly();
        lock.release(); // exit() does not unwind to the lock's owner
    };
    static bool registered = false;
    if (!registered)
        registered = std::atexit(runLastSave) == 0;
}

} // namespace

bool loadQtRussian(QTranslator &translator)
{
    return translator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

int runProgram(int argc, char **argv)
{
    ignoreFileSizeSignal();
    // Registered before anything is decoded, and unregistered when the program ends.
    JpegFormatRegistration jpeg;

    // The caption of every message box, the first one included.
    QCoreApplication::setApplicationName(QStringLiteral("Voskbase"));
    FolderSession folder = lockFolder();

    // fontconfig reads its configuration and font caches on the first text measured, 4-6 ms
    // here. QApplication mostly waits on the display while it connects: fontconfig's part
    // is done meanwhile on a second thread, and Qt's font list later finds it done.
    // Nothing of Qt may run there: the first thread that makes a QObject becomes Qt's main
    // thread, and QApplication made on another then leaves events undelivered.
    std::thread fontConfiguration([] { FcInit(); });
    lockToDropOnFatal = folder.lock.get();
    qtMessages = qInstallMessageHandler(dropLockOnFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessages);
    lockToDropOnFatal = nullptr;
    fontConfiguration.join();
    QApplication::setWindowIcon(QIcon(builtInPicture(QStringLiteral(":/images/voskbase.png"))));
    // The inventory window decides when the program ends, not the last visible window.
    app.setQuitOnLastWindowClosed(false);
    // Qt's own buttons and dialogs (Отмена, the colour and file dialogs) speak Russian too.
    QTranslator qtRussian;
    if (loadQtRussian(qtRussian))
        QCoreApplication::installTranslator(&qtRussian);

    Tflash flash;
    const QSize screenSize = screenArea(&flash).size();
    placeWindow(&flash, QRect(centredOrigin(screenSize.width(), screenSize.height(), flash.width(), flash.height()),
                              flash.size()));
    flash.show();
    // The event loop is not running yet: draw the splash now, before the slow work.
    QApplication::processEvents();
    flash.repaint();
    QApplication::processEvents();

    BoxMessages messages(&flash);
    askFolderAccess(folder, messages);
    if (folder.quit)
        return 0;
    // The window takes the inventory once its controls are made; what the reading of the
    // data files had to say is said then. An opening that may write (a journal left by a
    // killed program to replay, a missing file) runs beside the splash, which shows the
    // replay's progress.
    std::string snapshot;
    std::unique_ptr<server::ServerStock> serverStock = connectServer(folder, messages, snapshot);
    if (folder.quit)
        return 0;
    Tbase base(messages, [&folder, &messages, &flash, &serverStock, &snapshot] {
        if (serverStock) {
            OpenedInventory opened;
            opened.inventory = std::make_unique<Inventory>(folder.datapath, messages, std::move(serverStock));
            opened.opened = opened.inventory->open();
            return opened;
        }
        if (!snapshot.empty())
            return openInventory(snapshot, messages);
        return folder.load ? folder.load->take(messages) : openBesideSplash(folder.datapath, messages, flash);
    });
    if (!snapshot.empty())
        base.setWindowTitle(base.windowTitle() + fromCp1251(cp1251(" — снимок склада с сервера")));
    messages.setParent(&base);
    TImages images;
    Tmain main(&images);
    linkWindows(base, main, images, messages);
    // The reference and picture windows start hidden, as the inventory window's showing
    // leaves them: they are not mapped only to be unmapped again, and the reference window
    // fills its lists (decoding the drawings) when the user first opens it.

    SessionEnd *sessionEnd = nullptr;
    watchSessionEnds(app, base, messages, *folder.lock, sessionEnd);

    flash.hide();
    base.show();
    const int status = QApplication::exec();
    lastSave = nullptr;
    return status;
}

} // namespace vosk
