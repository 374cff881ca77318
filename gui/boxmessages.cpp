#include "boxmessages.h"

#include "codec.h"

#include <QApplication>
#include <QMessageBox>

namespace vosk {
namespace {

QString caption() { return QApplication::applicationName(); }

} // namespace

void BoxMessages::inform(const std::string &text)
{
    QMessageBox::information(parent_, caption(), messageText(text));
}

void BoxMessages::error(const std::string &text)
{
    QMessageBox::critical(parent_, caption(), messageText(text));
}

bool BoxMessages::confirm(const std::string &text)
{
    return QMessageBox::question(parent_, caption(), messageText(text), QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

} // namespace vosk
