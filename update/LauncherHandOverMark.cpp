#include "update/LauncherHandOverMark.h"

#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "update/UpdateNote.h"

namespace {

const QString kName = QStringLiteral(".launcher-handover");
const QString kPromisedKey = QStringLiteral("promised");
const QString kExecutableKey = QStringLiteral("executable");

} // namespace

QString LauncherHandOverMark::path()
{
    return updateNotePath(kName);
}

QString LauncherHandOverMark::executablePath()
{
    return joinPath(appDirPath(), g_launcherProduct.exeName);
}

bool LauncherHandOverMark::read(LauncherHandOverMark& out)
{
    QJsonObject object;
    if (readUpdateNote(kName, object) == UpdateNoteState::Missing)
        return false;
    out.promised = Version::fromString(object.value(kPromisedKey).toString());
    out.executable = object.value(kExecutableKey).toString();
    return true;
}

bool LauncherHandOverMark::write() const
{
    return writeUpdateNote(kName, {{kPromisedKey, promised.toString()}, {kExecutableKey, executable}},
                           QStringLiteral("launcher hand-over mark"));
}
