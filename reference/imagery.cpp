#include "imagery.h"

#include <QLabel>

namespace vosk {

TImages::TImages(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Images"));
    setWindowTitle(QStringLiteral("Images"));
    resize(177, 123);
    fig = new QLabel(this);
    fig->setObjectName(QStringLiteral("fig"));
    fig->setGeometry(0, 0, 25, 122);
    fig->setEnabled(false);
    pic = new QLabel(this);
    pic->setObjectName(QStringLiteral("pic"));
    pic->setGeometry(24, 0, 145, 129);
    pic->setEnabled(false);
    FormCreate();
}

void TImages::FormCreate()
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(p);
}

} // namespace vosk
