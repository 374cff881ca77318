// Pictures read in a format known beforehand.
#pragma once
#include <QByteArrayView>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace vosk {

// Qt's reader, when it has to find out the format itself, first loads every image format
// plugin to let each probe the bytes (about a millisecond at start-up). The program's own
// pictures are PNG files and the category icons BMP files, which Qt reads without plugins.

// A picture of the program's resources (":/images/…") in the given format ("png").
QPixmap builtInPicture(const QString &path, const char *format = "png");

// Bytes in the expected format; bytes in another format (a PNG saved under a .bmp name) are
// still read, by probing.
QImage pictureFromBytes(QByteArrayView bytes, const char *expected);

} // namespace vosk
