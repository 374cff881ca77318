#include "Unit1.h"

#include "imagery.h"

namespace vosk {

Tmain::Tmain(TImages *images, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      images_(images)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QString::fromUtf8("Справочник по электрорнным компонентаам"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    move(102, 118);
    resize(611, 213);
}

} // namespace vosk
