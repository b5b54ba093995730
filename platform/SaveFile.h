#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace platform {

// Writes a file whole: the bytes go to a temporary file beside it, which is
// renamed over the old one only when every byte has been written, so a
// crash or a full disk leaves the old file as it was. With permissions
// given, the new file carries them from the start. Returns NoError or what
// went wrong.
//
// QSaveFile alone is not enough: when a buffered write falls short (disk
// full, file size limit) Qt 5 reports the failure from flush() only and
// commit() then renames the cut-off file into place.
QFileDevice::FileError saveWholeFile(const QString& path, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions = {});

// Copies the file from to path in the same way: the copy appears under path
// only when complete, with from's permissions, and until then path keeps
// what it held.
QFileDevice::FileError copyWholeFile(const QString& from, const QString& path);

} // namespace platform
