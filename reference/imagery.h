#pragma once
#include <QWidget>

class QLabel;

namespace vosk {

// The picture window: a marking drawing (`fig`) and a package drawing (`pic`) side by side.
class TImages : public QWidget {
    Q_OBJECT
public:
    explicit TImages(QWidget *parent = nullptr);

    QLabel *fig = nullptr;
    QLabel *pic = nullptr;

private:
    void FormCreate();
};

} // namespace vosk
