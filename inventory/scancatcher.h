// A USB barcode scanner is a keyboard: it types a label's code and Enter into whatever control
// has the focus. The catcher watches the keys typed in one window, and when the keys since
// the last Enter (or since the focus moved) make a whole record's code, it takes the Enter:
// the code goes to `scanned`, and a text edit it was typed into gets back the text it had.
// Nothing is held back: keys reach their control as they come, typed by a person or not.
#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

namespace vosk {

class ScanCatcher final : public QObject {
public:
    // Watches the keys of `window`'s controls (not its dialogs'); installed on the application.
    ScanCatcher(QWidget *window, std::function<void(const QString &code)> scanned);
    ~ScanCatcher() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void forget();

    QWidget *window_;
    std::function<void(const QString &)> scanned_;
    // What may be a code so far, typed into `target_`.
    QString typed_;
    QPointer<QWidget> target_;
    // The text edit of the target (its own, or a spin box's or a combo box's) and its text
    // before the code began.
    QPointer<QLineEdit> edit_;
    QString before_;
    int beforeCursor_ = 0;
    // A key a control passes on to its parent comes again: it is the same event.
    const QEvent *lastKey_ = nullptr;
    quint64 lastTime_ = 0;
    QPointer<QWidget> lastReceiver_;
    // The Enter that ended a code: its release is the scanner's too.
    bool enterEnded_ = false;
};

} // namespace vosk
