// splash: the splash window `Tflash`, shown while the other windows are made.
#include "splash.h"

#include "pictureformats.h"
#include "resourcebytes.h"

#include <QLabel>
#include <QPixmap>
#include <cmath>

namespace vosk {

Tflash::Tflash(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("flash"));
    setFixedSize(307, 266);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 306, 265);
    const auto bytes = resourceBytes(":/images/splash.jpg");
    if (const auto *decode = PictureFormats::instance().decoderFor(QStringLiteral("jpg")); bytes && decode) {
        const QImage picture = (*decode)(*bytes);
        if (!picture.isNull()) {
            Image1->setPixmap(QPixmap::fromImage(picture));
            Image1->resize(picture.size()); // sized to its picture
        }
    }
}

void Tflash::showProgress(const QString &text)
{
    if (!progress_) {
        progress_ = new QLabel(this);
        progress_->setObjectName(QStringLiteral("progress"));
        progress_->setAlignment(Qt::AlignCenter);
        progress_->setAutoFillBackground(true);
        progress_->setGeometry(0, height() - 22, width(), 22);
    }
    progress_->setText(text);
    progress_->show();
    progress_->repaint();
}

QPoint centredOrigin(int screenWidth, int screenHeight, int width, int height)
{
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    const double left = std::nearbyint(screenWidth / 2.0 - width / 2.0);
    const double top = std::nearbyint(screenHeight / 2.0 - height / 2.0);
    return {static_cast<int>(left), static_cast<int>(top)};
}

} // namespace vosk
