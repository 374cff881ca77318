#include "codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace vosk {

QString fromCp1251(std::string_view bytes)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> toCp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    // The encoder writes '?' for what it cannot map without always flagging it; a round
    // trip tells for sure.
    std::string out(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (fromCp1251(out) != text)
        return std::nullopt;
    return out;
}

QString messageText(std::string_view bytes)
{
    QString text = fromCp1251(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace vosk
