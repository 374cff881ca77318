#include "startup.h"

#include "Unit1.h"
#include "boxmessages.h"
#include "imagery.h"
#include "params.h"
#include "pictureformats.h"
#include "splash.h"
#include "windowlinks.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

namespace vosk {

int runProgram(int argc, char **argv)
{
    // Registered before anything is decoded, and unregistered when the program ends.
    JpegFormatRegistration jpeg;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Voskbase"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/voskbase.png")));
    // The inventory window decides when the program ends, not the last visible window.
    app.setQuitOnLastWindowClosed(false);

    Tflash flash;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    flash.move(centredOrigin(screenSize.width(), screenSize.height(), flash.width(), flash.height()));
    flash.show();
    // The event loop is not running yet: draw the splash now, before the slow work.
    QApplication::processEvents();
    flash.repaint();
    QApplication::processEvents();

    BoxMessages messages(&flash);
    Tbase base(messages);
    messages.setParent(&base);
    TImages images;
    Tmain main(&images);
    linkWindows(base, main, images, messages);
    main.show(); // created visible; the inventory window's showing hides it again

    flash.hide();
    base.show();
    return QApplication::exec();
}

} // namespace vosk
