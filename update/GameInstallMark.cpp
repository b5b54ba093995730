#include "update/GameInstallMark.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kRecordedKey = QStringLiteral("recorded");
const QString kUnpackingKey = QStringLiteral("unpacking");

} // namespace

QString GameInstallMark::path()
{
    return joinPath(updateDirPath(false), QStringLiteral(".game-unpack"));
}

bool GameInstallMark::read(GameInstallMark& out)
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    out.recorded = Version::fromString(object.value(kRecordedKey).toString());
    out.unpacking = Version::fromString(object.value(kUnpackingKey).toString());
    return true;
}

bool GameInstallMark::write() const
{
    const QJsonObject object{{kRecordedKey, recorded.toString()}, {kUnpackingKey, unpacking.toString()}};
    const QString file = path();
    if (!makePath(updateDirPath(false))
        || platform::saveWholeFile(file, QJsonDocument(object).toJson()) != QFileDevice::NoError) {
        Log::instance()->critical(QStringLiteral("failed to write the game unpack mark: ") + file);
        return false;
    }
    return true;
}

void GameInstallMark::remove()
{
    QFile::remove(path());
}
