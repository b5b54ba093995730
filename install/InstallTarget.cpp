#include "install/InstallTarget.h"

#include "core/Paths.h"
#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "platform/SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace install {
namespace {

const QString kSettingsName = QStringLiteral("QMXLauncher.conf");

// The names an installation holds at its top level: the launcher's files
// (or the subfolders they lie in) and its working data.
QSet<QString> installationNames()
{
    QSet<QString> names = {QStringLiteral("Game"),    QStringLiteral("Update"),       QStringLiteral("UpdateTemp"),
                           QStringLiteral("log.txt"), QStringLiteral("Session.conf"), kSettingsName};
    for (const QString& file : launcherFileNames())
        names.insert(file.section(QLatin1Char('/'), 0, 0));
    return names;
}

} // namespace

QString nearestExistingFolder(const QString& path)
{
    if (!isUsableInstallPath(path))
        return QString();
    QFileInfo info(QDir::fromNativeSeparators(path));
    while (!info.exists() && !info.isSymLink() && !info.isRoot()) {
        const QFileInfo parent(info.absolutePath());
        if (parent.absoluteFilePath() == info.absoluteFilePath())
            return QString();
        info = parent;
    }
    return info.isDir() ? info.absoluteFilePath() : QString();
}

bool holdsLauncher(const QString& folder)
{
    return QFileInfo(joinPath(folder, launcherExeName())).isFile();
}

TargetFolder examineTargetFolder(const QString& path)
{
    const QString existing = nearestExistingFolder(path);
    if (existing.isEmpty())
        return TargetFolder::NotAFolder;
    // A folder still to be made holds nothing.
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (!info.exists())
        return TargetFolder::Usable;

    const QDir folder(existing);
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (entries.isEmpty() || (entries == QStringList{kSettingsName} && QFileInfo(folder.filePath(kSettingsName)).isFile()))
        return TargetFolder::Usable;
    if (!holdsLauncher(existing))
        return TargetFolder::Occupied;
    // An installation: its files, and what writes of them that were cut off
    // left beside them.
    const QSet<QString> own = installationNames();
    for (const QString& entry : entries) {
        if (!own.contains(entry) && !own.contains(platform::temporaryFileTarget(entry)))
            return TargetFolder::Occupied;
    }
    return TargetFolder::Usable;
}

} // namespace install
