#include "startup.h"

#include "Unit1.h"
#include "boxmessages.h"
#include "imagery.h"
#include "params.h"
#include "placement.h"
#include "pictureformats.h"
#include "splash.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

namespace vosk {

bool loadQtRussian(QTranslator &translator)
{
    return translator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

int runProgram(int argc, char **argv)
{
    // Registered before anything is decoded, and unregistered when the program ends.
    JpegFormatRegistration jpeg;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Voskbase"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/voskbase.png")));
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
    Tbase base(messages);
    messages.setParent(&base);
    TImages images;
    Tmain main(&images);
    base.setReferenceWindows(&main, &images);
    main.show(); // created visible; the inventory window's showing hides it again

    flash.hide();
    base.show();
    return QApplication::exec();
}

} // namespace vosk
