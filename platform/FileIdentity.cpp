#include "platform/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace platform {

QString fileIdentity(const QString& path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QString::number(quint64(info.st_dev)) + QLatin1Char(':') + QString::number(quint64(info.st_ino));
}

} // namespace platform
