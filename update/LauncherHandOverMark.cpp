#include "update/LauncherHandOverMark.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kPromisedKey = QStringLiteral("promised");
const QString kExecutableKey = QStringLiteral("executable");

} // namespace

QString LauncherHandOverMark::path()
{
    return joinPath(updateDirPath(false), QStringLiteral(".launcher-handover"));
}

QString LauncherHandOverMark::executablePath()
{
    return joinPath(appDirPath(), g_launcherProduct.exeName);
}

bool LauncherHandOverMark::read(LauncherHandOverMark& out)
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    out.promised = Version::fromString(object.value(kPromisedKey).toString());
    out.executable = object.value(kExecutableKey).toString();
    return true;
}

bool LauncherHandOverMark::write() const
{
    const QJsonObject object{{kPromisedKey, promised.toString()}, {kExecutableKey, executable}};
    const QString file = path();
    if (!makePath(updateDirPath(false))
        || platform::saveWholeFile(file, QJsonDocument(object).toJson()) != QFileDevice::NoError) {
        Log::instance()->critical(QStringLiteral("failed to write the launcher hand-over mark: ") + file);
        return false;
    }
    return true;
}
