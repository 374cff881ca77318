#include "importcolumns.h"

#include <QCryptographicHash>
#include <QSettings>
#include <QStringList>

namespace vosk {
namespace {

// ~/.config/Ferrowind/Voskbase.conf, [importColumns], a key per header.
QSettings userSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ferrowind"),
                     QStringLiteral("Voskbase"));
}

QString headerKey(const std::vector<std::string> &header)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const std::string &h : header) {
        hash.addData(QByteArrayView(h.data(), static_cast<qsizetype>(h.size())));
        hash.addData(QByteArrayView("\x01", 1));
    }
    return QStringLiteral("importColumns/") + QString::fromLatin1(hash.result().toHex());
}

} // namespace

std::optional<std::vector<ImportField>> rememberedColumns(const std::vector<std::string> &header)
{
    const QStringList words = userSettings().value(headerKey(header)).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() != static_cast<qsizetype>(header.size()))
        return std::nullopt;
    std::vector<ImportField> columns;
    for (const QString &w : words) {
        const auto field = importFieldOfWord(w.toStdString());
        if (!field)
            return std::nullopt;
        columns.push_back(*field);
    }
    return columns;
}

void rememberColumns(const std::vector<std::string> &header, const std::vector<ImportField> &columns)
{
    QStringList words;
    for (ImportField f : columns)
        words << QString::fromLatin1(importFieldWord(f));
    userSettings().setValue(headerKey(header), words.join(QLatin1Char(' ')));
}

} // namespace vosk
