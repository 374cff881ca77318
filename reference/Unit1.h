#pragma once
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace vosk {

class TImages;

// The reference window: diode and zener diode tables looked up by type designation.
class Tmain : public QWidget {
    Q_OBJECT
public:
    explicit Tmain(TImages *images, QWidget *parent = nullptr);

    // A part chosen elsewhere (the inventory list, an offer of the taking pass): its name goes
    // into the type box and is looked up, without showing this window.
    void lookupFrom(const QString &text);

    QLineEdit *Edit1 = nullptr;
    QPushButton *find = nullptr;

private:
    TImages *images_;
};

} // namespace vosk
