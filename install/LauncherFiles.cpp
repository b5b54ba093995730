#include "install/LauncherFiles.h"

#include "core/Paths.h"
#include "core/TR.h"
#include "install/CopyFileJob.h"
#include "install/LauncherFileNames.h"

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

void addLauncherFileJobs(const QString& srcDir, const QString& dstDir, InstallJobList& jobs)
{
    const QString src = dirPathWithSlash(srcDir);
    const QString dst = dirPathWithSlash(dstDir);
    for (const QString& name : launcherFileNames())
        jobs.append(makeCopyFileJob(name, src, dst, TR::tr("InstallOpFile")));
}

} // namespace install
