#include "settingsstore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace vosk {

std::string readpath()
{
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope, QStringLiteral("Ferrowind"),
                             QStringLiteral("Vosk"));
    if (!QFileInfo::exists(settings.fileName()))
        return {};
    const QString folder = settings.value(QStringLiteral("path")).toString();
    return QFile::encodeName(folder).toStdString() + "/";
}

} // namespace vosk
