#include "Unit1.h"

#include "imagery.h"

#include <QLineEdit>
#include <QPushButton>

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
    Edit1 = new QLineEdit(QString::fromUtf8("Д9Б"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 5, 81, 24);
    find = new QPushButton(QStringLiteral("find"), this);
    find->setObjectName(QStringLiteral("find"));
    find->setGeometry(496, 56, 75, 25);
    find->hide();
}

void Tmain::lookupFrom(const QString &text)
{
    Edit1->setText(text);
    find->click();
}

} // namespace vosk
