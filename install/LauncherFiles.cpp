#include "install/LauncherFiles.h"

#include "core/Paths.h"
#include "core/TR.h"
#include "install/CopyFileJob.h"
#include "install/LauncherFileNames.h"

#include <QFileInfo>

namespace install {

const QStringList& launcherFileNames()
{
    static const QStringList names = {LAUNCHER_FILE_NAMES};
    return names;
}

QString launcherExeName()
{
    return launcherFileNames().last();
}

QString launcherIconName()
{
    return QStringLiteral(LAUNCHER_ICON_NAME);
}

qint64 launcherFilesSize(const QString& dir)
{
    qint64 size = 0;
    for (const QString& name : launcherFileNames())
        size += QFileInfo(joinPath(dir, name)).size();
    return size;
}

void addLauncherFileJobs(const QString& srcDir, const QString& dstDir, InstallJobList& jobs)
{
    const QString src = dirPathWithSlash(srcDir);
    const QString dst = dirPathWithSlash(dstDir);
    for (const QString& name : launcherFileNames())
        jobs.append(makeCopyFileJob(name, src, dst, TR::tr("InstallOpFile")));
}

} // namespace install
