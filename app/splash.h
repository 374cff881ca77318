// splash: the splash window `Tflash`, shown while the other windows are made.
#pragma once
#include <QPoint>
#include <QWidget>

class QLabel;

namespace vosk {

// The borderless splash window shown while the working windows are created.
class Tflash : public QWidget {
    Q_OBJECT
public:
    explicit Tflash(QWidget *parent = nullptr);
    QLabel *Image1 = nullptr;

    // A line at the foot of the picture saying what a long start-up is doing (a recovery
    // from the journal), drawn at once.
    void showProgress(const QString &text);

private:
    QLabel *progress_ = nullptr;
};

// Where a window of the given size sits centred on a screen: each half is a real number and
// the difference goes to the nearest integer, a half to the even neighbour (1024 wide,
// 307 wide window: 512 - 153.5 = 358.5, left edge 358).
QPoint centredOrigin(int screenWidth, int screenHeight, int width, int height);

} // namespace vosk
