#include "install/InstallTarget.h"

#include "core/JsonSettings.h"
#include "core/Paths.h"
#include "install/InstallJournal.h"
#include "install/InstallWorker.h"
#include "install/InstalledFilesJob.h"
#include "install/LauncherFiles.h"
#include "platform/SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace install {
namespace {

const QString kSettingsName = QStringLiteral("QMXLauncher.conf");
const QString kSessionName = QStringLiteral("Session.conf");

// The names an installation in folder holds at its top level: the files of
// the launcher, of this release and of those its record names (or the
// subfolders they lie in), the record, and its working data.
QSet<QString> installationNames(const QString& folder)
{
    QSet<QString> names = {QStringLiteral("Game"),    QStringLiteral("Update"), QStringLiteral("UpdateTemp"),
                           QStringLiteral("log.txt"), kSessionName,             kSettingsName,
                           installedFilesRecordName(), InstallJournal::fileName()};
    for (const QString& file : launcherFileNames() + readInstalledFiles(folder))
        names.insert(file.section(QLatin1Char('/'), 0, 0));
    return names;
}

// What the launcher leaves in a folder without an installation: the
// settings put there beforehand, and what an uninstall or a failed install
// keeps (the session state, the emptied subfolders of its files).
bool isLeftover(const QDir& folder, const QString& entry)
{
    const QFileInfo info(folder.filePath(entry));
    if (entry == kSettingsName || entry == kSessionName || JsonSettings::unreadableCopyTarget(entry) == kSettingsName)
        return info.isFile() && !info.isSymLink();
    return launcherFolderNames().contains(entry) && info.isDir() && !info.isSymLink()
        && QDir(info.filePath()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

} // namespace

QSet<QString> launcherFolderNames()
{
    QSet<QString> names;
    for (const QString& file : launcherFileNames()) {
        if (file.contains(QLatin1Char('/')))
            names.insert(file.section(QLatin1Char('/'), 0, 0));
    }
    return names;
}

bool isWorkingDataName(const QString& name)
{
    static const QSet<QString> names = {QStringLiteral("Game"), QStringLiteral("Update"), QStringLiteral("UpdateTemp"),
                                        QStringLiteral("log.txt"), kSessionName, kSettingsName,
                                        installedFilesRecordName(), InstallJournal::fileName()};
    return names.contains(name);
}

QString cleanInstallPath(const QString& path)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

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
    // The executable, the record of installed files, or the journal of an
    // install into it that was cut off (the next install finishes it).
    const bool installation = holdsLauncher(existing) || QFileInfo(folder.filePath(installedFilesRecordName())).isFile()
        || QFileInfo(folder.filePath(InstallJournal::fileName())).isFile();
    if (!installation) {
        for (const QString& entry : entries) {
            const QString target = platform::temporaryFileTarget(entry);
            if (!isLeftover(folder, entry) && target != kSettingsName && target != kSessionName)
                return TargetFolder::Occupied;
        }
        return TargetFolder::Usable;
    }
    // An installation: its files, and what writes of them and an install
    // that were cut off left beside them.
    const QSet<QString> own = installationNames(existing);
    for (const QString& entry : entries) {
        if (!own.contains(entry) && !own.contains(platform::temporaryFileTarget(entry))
            && !own.contains(platform::keptFileTarget(entry))
            && JsonSettings::unreadableCopyTarget(entry) != kSettingsName)
            return TargetFolder::Occupied;
    }
    return TargetFolder::Usable;
}

} // namespace install
