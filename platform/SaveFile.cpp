#include "platform/SaveFile.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {

// Ends a write whose data is all written: flushed first, as commit() alone
// would rename a file cut short by a failed buffered write into place.
QFileDevice::FileError commitWhole(QSaveFile& file)
{
    if (!file.flush()) {
        file.cancelWriting();
        return QFileDevice::WriteError;
    }
    if (!file.commit())
        return file.error() != QFileDevice::NoError ? file.error() : QFileDevice::RenameError;
    return QFileDevice::NoError;
}

QFileDevice::FileError openError(const QFileDevice& file)
{
    return file.error() != QFileDevice::NoError ? file.error() : QFileDevice::OpenError;
}

} // namespace

QFileDevice::FileError saveWholeFile(const QString& path, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return openError(file);
    if (permissions && !file.setPermissions(permissions)) {
        file.cancelWriting();
        return QFileDevice::PermissionsError;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return QFileDevice::WriteError;
    }
    return commitWhole(file);
}

QFileDevice::FileError copyWholeFile(const QString& from, const QString& path)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return openError(in);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return openError(out);
    if (!out.setPermissions(in.permissions())) {
        out.cancelWriting();
        return QFileDevice::PermissionsError;
    }
    QByteArray buffer(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            out.cancelWriting();
            return QFileDevice::ReadError;
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got) {
            out.cancelWriting();
            return QFileDevice::WriteError;
        }
    }
    return commitWhole(out);
}

} // namespace platform
