#include "boxmessages.h"

#include "codec.h"
#include "placement.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <cstdio>

namespace vosk {
namespace {

QString caption() { return QApplication::applicationName(); }

void toStderr(const std::string &text)
{
    const QByteArray utf8 = messageText(text).toUtf8();
    std::fprintf(stderr, "%s\n", utf8.constData());
}

// A message box centred on the window it speaks for, inside the available area: at start-up
// that is the splash, which a window manager does not treat as a parent to centre on.
class CentredBox : public QMessageBox {
public:
    CentredBox(Icon icon, const QString &text, StandardButtons buttons, QWidget *parent)
        : QMessageBox(icon, caption(), text, buttons, parent)
    {
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event); // gives the box its size
        centre();
        // Once more with the frame the window manager gives it, and once the box has settled
        // (the frame is not always reported before the box is mapped).
        onFrameKnown(this, [this] { centre(); });
        QTimer::singleShot(0, this, [this] { centre(); });
        QTimer::singleShot(300, this, [this] { centre(); });
    }

private:
    void centre()
    {
        QWidget *over = parentWidget() ? parentWidget()->window() : nullptr;
        if (!over || !over->isVisible())
            return;
        QRect frame = frameGeometry();
        if (frame.width() < 2 || frame.height() < 2)
            return; // not sized yet
        frame.moveCenter(over->frameGeometry().center());
        if (frame.topLeft() != frameGeometry().topLeft())
            moveFrame(this, frame.topLeft());
    }
};

int runBox(QMessageBox::Icon icon, QWidget *parent, const std::string &text, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    CentredBox box(icon, messageText(text), buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void BoxMessages::inform(const std::string &text)
{
    if (silent_)
        return toStderr(text);
    runBox(QMessageBox::Information, parent_, text, QMessageBox::Ok);
}

void BoxMessages::error(const std::string &text)
{
    if (silent_)
        return toStderr(text);
    runBox(QMessageBox::Critical, parent_, text, QMessageBox::Ok);
}

bool BoxMessages::confirm(const std::string &text)
{
    if (silent_) {
        toStderr(text);
        return false;
    }
    return runBox(QMessageBox::Question, parent_, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

int BoxMessages::choose(const std::string &text, const std::vector<std::string> &buttons)
{
    if (buttons.empty())
        return -1;
    if (silent_) {
        toStderr(text);
        return static_cast<int>(buttons.size()) - 1;
    }
    CentredBox box(QMessageBox::Question, messageText(text), QMessageBox::NoButton, parent_);
    std::vector<QPushButton *> pushes;
    for (const std::string &b : buttons)
        pushes.push_back(box.addButton(fromCp1251(b), QMessageBox::ActionRole));
    box.setDefaultButton(pushes.front());
    // Escape and the close box mean the last, harmless choice.
    box.setEscapeButton(pushes.back());
    box.exec();
    for (size_t i = 0; i < pushes.size(); ++i)
        if (box.clickedButton() == pushes[i])
            return static_cast<int>(i);
    return static_cast<int>(pushes.size()) - 1;
}

std::optional<std::string> BoxMessages::chooseFolder(const std::string &caption)
{
    if (silent_)
        return std::nullopt;
    const QString folder = QFileDialog::getExistingDirectory(parent_, fromCp1251(caption));
    if (folder.isEmpty())
        return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}

} // namespace vosk
