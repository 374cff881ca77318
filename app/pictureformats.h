#pragma once
#include <QImage>
#include <QString>
#include <functional>
#include <string_view>
#include <vector>

namespace vosk {

// The picture formats the program decodes itself, by file extension. Only the splash uses
// it today (JPEG through libjpeg), so it is no more than a list.
class PictureFormats {
public:
    using Decoder = std::function<QImage(std::string_view bytes)>;

    void registerFormat(const QString &extension, const QString &description, Decoder decoder);
    void unregisterFormat(const QString &extension);
    const Decoder *decoderFor(const QString &extension) const;
    QString descriptionOf(const QString &extension) const;

    static PictureFormats &instance();

private:
    struct Entry {
        QString extension;
        QString description;
        Decoder decoder;
    };
    std::vector<Entry> entries_;
};

// Registers "jpeg" and "jpg" ("JPEG Image File", decoded by libjpeg) for its lifetime.
class JpegFormatRegistration {
public:
    JpegFormatRegistration();
    ~JpegFormatRegistration();
    JpegFormatRegistration(const JpegFormatRegistration &) = delete;
    JpegFormatRegistration &operator=(const JpegFormatRegistration &) = delete;
};

// The libjpeg decoder as a QImage; a null image for bad data.
QImage decodeJpegImage(std::string_view bytes);

} // namespace vosk
