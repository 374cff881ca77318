#pragma once
#include <QWidget>

namespace vosk {

class TImages;

// The reference window: diode and zener diode tables looked up by type designation.
class Tmain : public QWidget {
    Q_OBJECT
public:
    explicit Tmain(TImages *images, QWidget *parent = nullptr);

private:
    TImages *images_;
};

} // namespace vosk
