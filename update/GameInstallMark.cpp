#include "update/GameInstallMark.h"

#include "update/UpdateNote.h"

#include <QFile>

namespace {

const QString kName = QStringLiteral(".game-unpack");
const QString kRecordedKey = QStringLiteral("recorded");
const QString kUnpackingKey = QStringLiteral("unpacking");

} // namespace

QString GameInstallMark::path()
{
    return updateNotePath(kName);
}

bool GameInstallMark::read(GameInstallMark& out)
{
    QJsonObject object;
    if (readUpdateNote(kName, object) == UpdateNoteState::Missing)
        return false;
    out.recorded = Version::fromString(object.value(kRecordedKey).toString());
    out.unpacking = Version::fromString(object.value(kUnpackingKey).toString());
    return true;
}

bool GameInstallMark::write() const
{
    return writeUpdateNote(kName, {{kRecordedKey, recorded.toString()}, {kUnpackingKey, unpacking.toString()}},
                           QStringLiteral("game unpack mark"));
}

void GameInstallMark::remove()
{
    QFile::remove(path());
}
