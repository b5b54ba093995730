#include "install/SelfUpdate.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProcessUtils.h"
#include "core/ProductInfo.h"
#include "core/TR.h"
#include "install/HandOver.h"
#include "install/InstallTarget.h"
#include "install/InstallWorker.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Copying a folder onto itself would delete every launcher file: each copy
// job removes its destination before it reads the source.
bool isSameDirectory(const QString& a, const QString& b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

// This copy runs from "UpdateTemp/<id>", which the next update job removes
// with the log beside it: while it acts on an installation, its lines go to
// that installation's "log.txt", where the launcher it replaces and the one
// it starts write theirs. Its own log again afterwards.
class InstallationLog
{
public:
    explicit InstallationLog(const QString& installDir) : m_ownLog(Log::instance()->fileName())
    {
        if (!Log::instance()->open(joinPath(installDir, QStringLiteral("log.txt"))))
            Log::instance()->open(m_ownLog);
    }
    ~InstallationLog() { Log::instance()->open(m_ownLog); }
    InstallationLog(const InstallationLog&) = delete;
    InstallationLog& operator=(const InstallationLog&) = delete;

private:
    QString m_ownLog;
};

} // namespace

int runSelfUpdate(const QHash<int, QVariant>& options)
{
    QString path = options.value(install::HandOverPath).toString();
    const int pid = options.value(install::HandOverPid).toInt();
    Log::instance()->debug(QStringLiteral("Update path: ") + path);
    Log::instance()->debug(QStringLiteral("Update pid: ") + QString::number(pid));

    if (path.isEmpty() || pid == 0) {
        Log::instance()->critical(QStringLiteral("Update failed: missing option"));
        // Without a screen (a console, ssh) the line above is all there is.
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            QMessageBox::critical(nullptr, g_launcherProduct.title, TR::tr("ErrUpdateFailedMissingOption"),
                                  QMessageBox::Ok, QMessageBox::NoButton);
        return 1;
    }
    // The old launcher names its own executable: the files are replaced only
    // in an absolute folder that holds a launcher, never in whatever else a
    // command line names.
    if (!install::isUsableInstallPath(path)) {
        Log::instance()->critical(QStringLiteral("Update failed: path is not absolute: \"") + path + QLatin1Char('"'));
        return 1;
    }
    const QFileInfo pathInfo(path);
    const QString installDir = pathInfo.isDir() ? path : pathInfo.absolutePath();
    if (!pathInfo.exists() || !install::holdsLauncher(installDir)) {
        Log::instance()->critical(QStringLiteral("Update failed: no launcher in \"") + path + QLatin1Char('"'));
        return 1;
    }
    const InstallationLog log(installDir);

    // The old launcher quits right after starting this copy; its files are
    // replaced only once it has gone, or once waiting makes no sense any more.
    // One that has gone before the wait began is the usual case, not a
    // failure.
    if (waitForProcess(pid, install::kHandOverWaitMs) || !isProcessRunning(pid))
        Log::instance()->debug(QStringLiteral("Wait for PID: OK"));
    else
        Log::instance()->critical(QStringLiteral("Wait for PID: FAILED"));

    const QString source = appDirPath();
    if (!pathInfo.isDir()) {
        Log::instance()->debug(QStringLiteral("Update path is not a directory: ") + path
                               + QStringLiteral(" converting to ") + installDir);
        path = installDir;
    }
    Log::instance()->debug(QStringLiteral("Update source: ") + source);
    Log::instance()->debug(QStringLiteral("Update dest: ") + path);

    if (isSameDirectory(source, path)) {
        Log::instance()->critical(QStringLiteral("Failed to uptate files from ") + source + QStringLiteral(" in ")
                                  + path + QStringLiteral(": the same folder"));
        return 1;
    }
    if (!install::installLauncherFiles(source, path)) {
        Log::instance()->critical(QStringLiteral("Failed to uptate files from ") + source + QStringLiteral(" in ")
                                  + path);
        return 1;
    }

    // The installed launcher in its normal mode; whether it starts does not
    // change that the files were replaced.
    startDetachedQuoted(QDir::toNativeSeparators(joinPath(path, g_launcherProduct.exeName)), QStringList());
    return 0;
}
