#include "boxmessages.h"

#include "codec.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

namespace vosk {
namespace {

QString caption() { return QApplication::applicationName(); }

void toStderr(const std::string &text)
{
    const QByteArray utf8 = messageText(text).toUtf8();
    std::fprintf(stderr, "%s\n", utf8.constData());
}

} // namespace

void BoxMessages::inform(const std::string &text)
{
    if (silent_)
        return toStderr(text);
    QMessageBox::information(parent_, caption(), messageText(text));
}

void BoxMessages::error(const std::string &text)
{
    if (silent_)
        return toStderr(text);
    QMessageBox::critical(parent_, caption(), messageText(text));
}

bool BoxMessages::confirm(const std::string &text)
{
    if (silent_) {
        toStderr(text);
        return false;
    }
    return QMessageBox::question(parent_, caption(), messageText(text), QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

int BoxMessages::choose(const std::string &text, const std::vector<std::string> &buttons)
{
    if (buttons.empty())
        return -1;
    if (silent_) {
        toStderr(text);
        return static_cast<int>(buttons.size()) - 1;
    }
    QMessageBox box(QMessageBox::Question, caption(), messageText(text), QMessageBox::NoButton, parent_);
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
