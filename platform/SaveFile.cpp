#include "platform/SaveFile.h"

#include <QSaveFile>

namespace platform {

QFileDevice::FileError saveWholeFile(const QString& path, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.error() != QFileDevice::NoError ? file.error() : QFileDevice::OpenError;
    if (permissions && !file.setPermissions(permissions)) {
        file.cancelWriting();
        return QFileDevice::PermissionsError;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return QFileDevice::WriteError;
    }
    if (!file.commit())
        return file.error() != QFileDevice::NoError ? file.error() : QFileDevice::RenameError;
    return QFileDevice::NoError;
}

} // namespace platform
