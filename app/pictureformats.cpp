#include "pictureformats.h"

#include "jpegdecode.h"

#include <algorithm>

namespace vosk {

void PictureFormats::registerFormat(const QString &extension, const QString &description, Decoder decoder)
{
    unregisterFormat(extension);
    entries_.push_back({extension.toLower(), description, std::move(decoder)});
}

void PictureFormats::unregisterFormat(const QString &extension)
{
    const QString key = extension.toLower();
    std::erase_if(entries_, [&](const Entry &e) { return e.extension == key; });
}

const PictureFormats::Decoder *PictureFormats::decoderFor(const QString &extension) const
{
    const QString key = extension.toLower();
    for (const auto &e : entries_)
        if (e.extension == key)
            return &e.decoder;
    return nullptr;
}

QString PictureFormats::descriptionOf(const QString &extension) const
{
    const QString key = extension.toLower();
    for (const auto &e : entries_)
        if (e.extension == key)
            return e.description;
    return {};
}

PictureFormats &PictureFormats::instance()
{
    static PictureFormats formats;
    return formats;
}

QImage decodeJpegImage(std::string_view bytes)
{
    JpegPicture picture;
    std::string error;
    if (!decodeJpeg(bytes, picture, error))
        return {};
    const QImage::Format format = picture.components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    const QImage view(picture.pixels.data(), picture.width, picture.height,
                      picture.width * picture.components, format);
    return view.copy(); // the pixels above go away with `picture`
}

JpegFormatRegistration::JpegFormatRegistration()
{
    const QString description = QStringLiteral("JPEG Image File");
    PictureFormats::instance().registerFormat(QStringLiteral("jpeg"), description, decodeJpegImage);
    PictureFormats::instance().registerFormat(QStringLiteral("jpg"), description, decodeJpegImage);
}

JpegFormatRegistration::~JpegFormatRegistration()
{
    PictureFormats::instance().unregisterFormat(QStringLiteral("jpeg"));
    PictureFormats::instance().unregisterFormat(QStringLiteral("jpg"));
}

} // namespace vosk
