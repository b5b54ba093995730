#include "install/UninstallAction.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProcessUtils.h"
#include "core/ProductInfo.h"
#include "install/HandOver.h"
#include "install/InstallTarget.h"
#include "install/InstallWorker.h"

#include <QDir>
#include <QFileInfo>

namespace install {
namespace {

// Stage 2 runs from the copy stage 1 made in the Temp folder, which nothing
// else cleans; it goes once the uninstall is done. This platform lets a
// running program remove its own files. Only a folder that is such a copy:
// a "qm_" folder in that Temp folder, holding a launcher.
void removeOwnCopy()
{
    const QString own = appDirPath();
    if (!isTempFilePath(own) || !holdsLauncher(own))
        return;
    if (!QDir(own).removeRecursively())
        Log::instance()->critical(QStringLiteral("Uninstall: cannot remove the copy in ") + own);
}

} // namespace

int runUninstallAction(const QHash<int, QVariant>& options)
{
    if (!options.contains(HandOverPath) && !options.contains(HandOverPid))
        return startUninstallFromTemp();
    return uninstallAfterParentExit(options.value(HandOverPath).toString(), options.value(HandOverPid).toInt());
}

int startUninstallFromTemp()
{
    const QString tempPath = newTempFilePath();
    const QString installDir = appDirPath();
    // The uninstall entry goes on describing this installation until stage
    // 2 removes it: a copy that does not start leaves it as it was. A failed
    // file is logged by the runner and the copy is started anyway.
    copyLauncherFiles(installDir, tempPath);

    const QString program = joinPath(tempPath, g_launcherProduct.exeName);
    const QStringList arguments = {QStringLiteral("--uninstall"), QStringLiteral("--path"), installDir,
                                   QStringLiteral("--pid"), QString::number(currentProcessId())};
    if (!startDetachedQuoted(program, arguments)) {
        Log::instance()->critical(QStringLiteral("Uninstall: failed to start copy: ") + program);
        return 1;
    }
    return 0;
}

int uninstallAfterParentExit(const QString& givenPath, int pid)
{
    const QString path = cleanInstallPath(givenPath);
    // Only one of the two options: not a hand-over from stage 1. Without a
    // path the removals would run on the file-system root, so nothing runs.
    if (path.isEmpty() || pid == 0) {
        Log::instance()->critical(QStringLiteral("Uninstall failed: missing option (path \"") + path
                                  + QStringLiteral("\", pid ") + QString::number(pid) + QLatin1Char(')'));
        return 1;
    }
    // Stage 1 hands over the absolute folder it runs from: anything else is
    // not an installation, and nothing in it is removed.
    if (!isUsableInstallPath(path)) {
        Log::instance()->critical(QStringLiteral("Uninstall failed: path is not absolute: \"") + path + QLatin1Char('"'));
        return 1;
    }
    if (!holdsLauncher(path)) {
        Log::instance()->critical(QStringLiteral("Uninstall failed: no launcher in \"") + path + QLatin1Char('"'));
        return 1;
    }

    // Stage 1 ends right after starting this one; after the time-out the
    // files it still holds are simply skipped.
    waitForProcess(pid, kHandOverWaitMs);

    InstallOptions options;
    options.m_createStartMenuItems = true;
    options.m_createQuickLaunchItems = true;
    options.m_createDesktopIcon = true;
    options.m_removeUserData = true;
    options.m_path = path;
    InstallWorker worker(0, options);
    worker.start(QThread::InheritPriority);
    worker.wait();
    removeOwnCopy();
    return 0;
}

} // namespace install
