#include "startup.h"

#include "Unit1.h"
#include "boxmessages.h"
#include "datafiles.h"
#include "filebytes.h"
#include "folderlock.h"
#include "imagery.h"
#include "params.h"
#include "pictures.h"
#include "placement.h"
#include "pictureformats.h"
#include "sessionend.h"
#include "settingsstore.h"
#include "splash.h"
#include "windowlinks.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>
#include <cstdlib>
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
    bool readOnly = false;
    bool quit = false;
};

FolderSession openInstallationFolder(Messages &messages)
{
    FolderSession s;
    s.datapath = readpath();
    setSettingsFileForMessages(settingsFilePath());
    s.lock = std::make_unique<FolderLock>(s.datapath);
    switch (decideFolderAccess(*s.lock, messages)) {
    case FolderAccess::Write:
        // Only the folder's one writer may tell a leftover from a file being written.
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
    return s;
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

    // fontconfig reads its configuration and font caches on the first text measured, 4-6 ms
    // here. QApplication mostly waits on the display while it connects: fontconfig's part
    // is done meanwhile on a second thread, and Qt's font list later finds it done.
    std::thread fontConfiguration([] { FcInit(); });
    QApplication app(argc, argv);
    fontConfiguration.join();
    QApplication::setApplicationName(QStringLiteral("Voskbase"));
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
    const FolderSession folder = openInstallationFolder(messages);
    if (folder.quit)
        return 0;
    Tbase base(messages, folder.datapath);
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
