#include "pictures.h"

#include <QBuffer>
#include <QImageReader>

namespace vosk {

QPixmap builtInPicture(const QString &path, const char *format)
{
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QImage pictureFromBytes(QByteArrayView bytes, const char *expected)
{
    const QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, expected);
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    return image.isNull() ? QImage::fromData(bytes) : image;
}

} // namespace vosk
