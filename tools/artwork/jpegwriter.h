#pragma once
#include <QImage>
#include <QString>

// The splash picture must be a baseline JFIF with three components: that is what the
// program's own decoder is built for, so it is written with libjpeg directly and
// never progressive.
bool writeBaselineJpeg(const QImage &image, const QString &path, int quality);
