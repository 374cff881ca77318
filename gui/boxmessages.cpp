#include "boxmessages.h"

#include "codec.h"
#include "placement.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <functional>
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

// A text of more lines than a message box can show on a small screen (a taking pass of 25
// rows): shown in a box whose text scrolls, so that the box and its buttons stay on the
// screen's available area.
constexpr int kLongText = 20;

bool isLong(const QString &text) { return text.count(QLatin1Char('\n')) >= kLongText; }

// The long text's box: OK, or OK and «Отмена» when `question`; true for OK.
bool longBox(QWidget *parent, const QString &text, bool question)
{
    QDialog box(parent);
    box.setObjectName(QStringLiteral("longMessage"));
    box.setWindowTitle(caption());
    auto *layout = new QVBoxLayout(&box);
    auto *view = new QPlainTextEdit(text, &box);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(view);
    auto *buttons = new QDialogButtonBox(question ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok, &box);
    if (QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel))
        cancel->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QFontMetrics fm = view->fontMetrics();
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 2;
    // The frame the window manager adds is left room for as well.
    const int width = std::min(area.width() - 40, std::max(420, fm.averageCharWidth() * 70));
    const int height = std::min(area.height() - 80, fm.lineSpacing() * lines + buttons->sizeHint().height() + 40);
    box.resize(width, height);
    box.move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
    return box.exec() == QDialog::Accepted;
}

// A batch run on a worker thread may have something to say (a journal that cannot be
// written): the box is shown by the thread that owns the windows, and the worker waits.
bool offWindowThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() != app->thread();
}

void onWindowThread(const std::function<void()> &say)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), say, Qt::BlockingQueuedConnection);
}

} // namespace

void BoxMessages::inform(const std::string &text)
{
    if (offWindowThread())
        return onWindowThread([&] { inform(text); });
    if (silent_)
        return toStderr(text);
    if (isLong(messageText(text))) {
        longBox(parent_, messageText(text), false);
        return;
    }
    runBox(QMessageBox::Information, parent_, text, QMessageBox::Ok);
}

void BoxMessages::error(const std::string &text)
{
    if (offWindowThread())
        return onWindowThread([&] { error(text); });
    if (silent_)
        return toStderr(text);
    if (isLong(messageText(text))) {
        longBox(parent_, messageText(text), false);
        return;
    }
    runBox(QMessageBox::Critical, parent_, text, QMessageBox::Ok);
}

bool BoxMessages::confirm(const std::string &text)
{
    if (offWindowThread()) {
        bool answer = false;
        onWindowThread([&] { answer = confirm(text); });
        return answer;
    }
    if (silent_) {
        toStderr(text);
        return false;
    }
    if (isLong(messageText(text)))
        return longBox(parent_, messageText(text), true);
    return runBox(QMessageBox::Question, parent_, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

int BoxMessages::choose(const std::string &text, const std::vector<std::string> &buttons)
{
    if (buttons.empty())
        return -1;
    if (offWindowThread()) {
        int answer = -1;
        onWindowThread([&] { answer = choose(text, buttons); });
        return answer;
    }
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
    if (offWindowThread()) {
        std::optional<std::string> answer;
        onWindowThread([&] { answer = chooseFolder(caption); });
        return answer;
    }
    if (silent_)
        return std::nullopt;
    const QString folder = QFileDialog::getExistingDirectory(parent_, fromCp1251(caption));
    if (folder.isEmpty())
        return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}

} // namespace vosk
