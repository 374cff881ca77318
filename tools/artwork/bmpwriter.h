#pragma once
#include <QImage>
#include <QString>

// The category icons are read as plain Windows bitmaps: 24 bits per pixel, a
// BITMAPINFOHEADER and the rows stored bottom-up. Written by hand so that the layout
// does not depend on what an image library prefers to write.
bool writeBmp24(const QImage &image, const QString &path);
