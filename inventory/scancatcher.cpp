#include "scancatcher.h"

#include "codec.h"
#include "recordcode.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace vosk {
namespace {

QLineEdit *lineEditOf(QWidget *w)
{
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit;
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->lineEdit();
    // A spin box types into an edit of its own.
    return w->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
}

bool mayBeCode(const QString &text)
{
    const auto bytes = toCp1251(text);
    return bytes && mayBeRecordCode(*bytes);
}

} // namespace

ScanCatcher::ScanCatcher(QWidget *window, std::function<void(const QString &)> scanned)
    : QObject(window), window_(window), scanned_(std::move(scanned))
{
    qApp->installEventFilter(this);
}

ScanCatcher::~ScanCatcher() { qApp->removeEventFilter(this); }

void ScanCatcher::forget()
{
    typed_.clear();
    target_.clear();
    edit_.clear();
}

bool ScanCatcher::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || w->window() != window_)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (type == QEvent::KeyRelease) {
        if (enter && enterEnded_) {
            enterEnded_ = false;
            return true;
        }
        return false;
    }
    if (event == lastKey_ && key->timestamp() == lastTime_ && lastReceiver_ && w != lastReceiver_ &&
        w->isAncestorOf(lastReceiver_))
        return false; // passed on by the control it was typed into: seen already
    lastKey_ = event;
    lastTime_ = key->timestamp();
    lastReceiver_ = w;
    enterEnded_ = false;
    if (w != target_)
        forget(); // the focus moved: a code is typed into one control
    if (enter) {
        const auto bytes = toCp1251(typed_);
        if (typed_.isEmpty() || !bytes || !readRecordCode(*bytes)) {
            forget();
            return false;
        }
        const QString code = typed_;
        if (edit_) {
            edit_->setText(before_);
            edit_->setCursorPosition(beforeCursor_);
        }
        forget();
        enterEnded_ = true;
        scanned_(code);
        return true;
    }
    const QString text = key->text();
    // Shift (a scanner presses it for capitals) and the like type nothing and change nothing.
    if (text.isEmpty() && (key->key() == Qt::Key_Shift || key->key() == Qt::Key_CapsLock))
        return false;
    if (text.isEmpty() || (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != 0) {
        forget();
        return false;
    }
    if (!typed_.isEmpty() && mayBeCode(typed_ + text)) {
        typed_ += text;
        return false;
    }
    forget();
    if (mayBeCode(text)) {
        typed_ = text;
        target_ = w;
        edit_ = lineEditOf(w);
        if (edit_) {
            before_ = edit_->text();
            beforeCursor_ = edit_->cursorPosition();
        }
    }
    return false;
}

} // namespace vosk
