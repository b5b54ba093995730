#include "update/UpdateNote.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QJsonDocument>

QString updateNotePath(const QString& name)
{
    return joinPath(updateDirPath(false), name);
}

UpdateNoteState readUpdateNote(const QString& name, QJsonObject& out)
{
    out = QJsonObject();
    QFile file(updateNotePath(name));
    if (!file.exists())
        return UpdateNoteState::Missing;
    const QJsonDocument document =
        file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()) : QJsonDocument();
    if (!document.isObject())
        return UpdateNoteState::Unreadable;
    out = document.object();
    return UpdateNoteState::Read;
}

bool writeUpdateNote(const QString& name, const QJsonObject& note, const QString& what)
{
    const QString file = updateNotePath(name);
    if (!makePath(updateDirPath(false))
        || platform::saveWholeFile(file, QJsonDocument(note).toJson()) != QFileDevice::NoError) {
        Log::instance()->critical(QStringLiteral("failed to write the ") + what + QStringLiteral(": ") + file);
        return false;
    }
    return true;
}
