#include "codec.h"

#include "cp1251.h"

namespace vosk {

QString fromCp1251(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes)
        *out++ = QChar(static_cast<char16_t>(cp1251Char(static_cast<unsigned char>(b))));
    return text;
}

std::optional<std::string> toCp1251(const QString &text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    // Characters outside the basic plane (surrogate pairs) are not in the code page either.
    for (const QChar c : text) {
        const auto byte = c.isSurrogate() ? std::nullopt : cp1251Byte(c.unicode());
        if (!byte)
            return std::nullopt;
        out += static_cast<char>(*byte);
    }
    return out;
}

QString shownText(std::string_view bytes)
{
    if (bytes.size() <= kShownText)
        return fromCp1251(bytes);
    return fromCp1251(bytes.substr(0, kShownText)) + QChar(0x2026);
}

QString messageText(std::string_view bytes)
{
    QString text = fromCp1251(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace vosk
