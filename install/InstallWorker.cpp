#include "install/InstallWorker.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "core/TR.h"
#include "install/CreateShellLinkJob.h"
#include "install/InstallJournal.h"
#include "install/InstallTarget.h"
#include "install/InstalledFilesJob.h"
#include "install/LauncherFiles.h"
#include "install/RemoveUserDataJob.h"
#include "install/WriteUninstallRegistry.h"
#include "platform/ShellLink.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace install {

// The worker removes whole directories below the installation path in
// uninstall mode; an empty path would make that the file-system root, a
// relative one whatever the current directory is.
bool isUsableInstallPath(const QString& path)
{
    const QString slashed = QDir::fromNativeSeparators(path);
    return QDir::isAbsolutePath(slashed) && !slashed.startsWith(QLatin1Char(':'));
}

InstallWorker::InstallWorker(int installMode, const InstallOptions& options)
    : QThread(nullptr), m_opts(options), m_installMode(installMode)
{
    // Examined, written into and recorded as one and the same folder.
    m_opts.m_path = cleanInstallPath(m_opts.m_path);
    buildJobs();
}

InstallWorker::~InstallWorker()
{
    // Both owners wait first; this only keeps a careless one from crashing.
    wait();
}

QString InstallWorker::targetDir() const
{
    QString dir = QDir::fromNativeSeparators(m_opts.m_path);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString InstallWorker::sourceDir() const
{
    QString dir = QDir::fromNativeSeparators(appDirPath());
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

void InstallWorker::buildJobs()
{
    m_jobs.clear();
    const QString source = sourceDir();
    const QString target = targetDir();
    const QString linkName = TR::tr("ProductLinkName") + platform::shellLinkSuffix();
    const QString linkTarget = target + launcherExeName();

    addLauncherFileJobs(source, target, m_jobs);
    const struct {
        bool wanted;
        const char* logLine;
        SpecialFolder folder;
        const char* titleKey;
    } links[] = {
        {m_opts.m_createStartMenuItems, "m_opts.m_createStartMenuItems", SpecialFolder::StartMenu, "InstallOpMenu"},
        {m_opts.m_createQuickLaunchItems, "m_opts.m_createQuickLaunchItems", SpecialFolder::QuickLaunch,
         "InstallOpQuicklaunch"},
        {m_opts.m_createDesktopIcon, "m_opts.m_createDesktopIcon", SpecialFolder::Desktop, "InstallOpLinks"},
    };
    // An install makes the folders it puts shortcuts into; an uninstall only
    // looks there for them and makes none.
    const bool makeFolders = m_installMode != 0;
    for (const auto& link : links) {
        if (!link.wanted)
            continue;
        Log::instance()->debug(QString::fromLatin1(link.logLine));
        m_jobs.append(makeShellLinkJob(linkTarget, joinPath(specialFolderPath(link.folder, makeFolders), linkName),
                                       TR::tr(link.titleKey)));
    }
    if (m_installMode == 0 && m_opts.m_removeUserData) {
        Log::instance()->debug(QStringLiteral("m_opts.m_removeUserData"));
        m_jobs.append(makeRemoveUserDataJob(TR::tr("InstallOpRemoveData")));
    }
    m_jobs.append(makeUninstallRegistryJob(g_launcherProduct, TR::tr("InstallOpCreateUninstall")));
    // Outside the list: it has no step of its own.
    m_recordJob = std::make_shared<InstalledFilesJob>(launcherFileNames(), TR::tr("InstallOpFile"));
}

void InstallWorker::run()
{
    bool success = true;
    try {
        // A shortcut here is a plain file: the shortcut jobs need no COM
        // apartment, so there is none to enter and leave around the jobs.
        if (!isUsableInstallPath(m_opts.m_path)) {
            Log::instance()->critical(QStringLiteral("InstallWorker failed: installation path is not absolute: \"")
                                      + m_opts.m_path + QLatin1Char('"'));
            success = false;
        } else {
            // An install into this folder that was cut off first becomes
            // again what it was (or what it was about to be), so that the
            // folder is examined, replaced or removed as one installation.
            finishInterruptedInstall(m_opts.m_path);
            if (m_installMode != 0 && examineTargetFolder(m_opts.m_path) != TargetFolder::Usable) {
                // The uninstall would later remove what carries the launcher's
                // names there; the dialog refuses such a folder before this.
                Log::instance()->critical(QStringLiteral("InstallWorker failed: not a folder to install into: \"")
                                          + m_opts.m_path + QLatin1Char('"'));
                success = false;
            } else if (m_installMode != 0) {
                success = runInstall();
            } else {
                runUninstall();
            }
        }
    } catch (...) {
        success = false;
    }
    emit installProgress(1, 1, success ? TR::tr("InstallResDone") : TR::tr("InstallErrFailed"));
    emit installFinished(success);
}

bool InstallWorker::runInstall()
{
    InstallJournal journal(m_opts.m_path);
    if (!journal.begin())
        return false;
    InstallJobList done;
    const int n = m_jobs.size();
    bool success = true;
    for (int i = 0; i < n && success; ++i) {
        const InstallJobPtr& job = m_jobs.at(i);
        Log::instance()->debug(QStringLiteral("install (%1/%2) ").arg(i + 1).arg(n) + job->title());
        emit installProgress(i + 1, n, job->title());
        job->setOptions(m_opts);
        job->setJournal(&journal);
        if (job->execute())
            done.prepend(job);
        else
            success = false;
    }
    if (success) {
        m_recordJob->setOptions(m_opts);
        m_recordJob->setJournal(&journal);
        success = m_recordJob->execute();
        if (success)
            done.prepend(m_recordJob);
    }
    if (success) {
        if (journal.commit()) {
            for (const InstallJobPtr& job : done)
                job->commit();
            journal.end();
            return true;
        }
        Log::instance()->critical(QStringLiteral("InstallWorker failed: cannot write the install journal: ")
                                  + platform::systemErrorText());
    }
    for (const InstallJobPtr& job : m_jobs + InstallJobList{m_recordJob}) {
        if (!done.contains(job) && !job->failure().isEmpty()) {
            Log::instance()->critical(QStringLiteral("InstallWorker failed: ") + job->title() + QStringLiteral(": ")
                                      + job->failure());
            break;
        }
    }
    // The failed job itself is not rolled back.
    const QString rollingBack = TR::tr("InstallRollback");
    for (int k = 0; k < done.size(); ++k) {
        emit installProgress(k + 1, done.size(), rollingBack);
        done.at(k)->setOptions(m_opts);
        done.at(k)->rollback();
    }
    journal.end();
    return false;
}

void InstallWorker::runUninstall()
{
    const int n = m_jobs.size();
    for (int k = 1; k <= n; ++k) {
        const InstallJobPtr& job = m_jobs.at(n - k);
        Log::instance()->debug(QStringLiteral("uninstall (%1/%2) ").arg(k).arg(n) + job->title());
        emit installProgress(k, n, job->title());
        job->setOptions(m_opts);
        job->rollback();
    }
    // The files of earlier releases that the record names, and the record.
    m_recordJob->setOptions(m_opts);
    m_recordJob->rollback();

    if (m_opts.m_removeUserData)
        QDir().rmdir(specialFolderPath(SpecialFolder::ProductData, false));
    const QString root = targetDir();
    for (const char* name : {"Update", "UpdateTemp", "Game"}) {
        // A folder the player moved elsewhere and linked back: the link
        // goes, what it points to stays.
        const QString dir = joinPath(root, QString::fromLatin1(name));
        if (QFileInfo(dir).isSymLink())
            QFile::remove(dir);
        else
            QDir(dir).removeRecursively();
    }
    QDir rootDir(root);
    rootDir.remove(QStringLiteral("log.txt"));
    rootDir.remove(QStringLiteral("QMXLauncher.conf"));
}

namespace {

// Runs a list on the calling thread, every job whatever the others did, and
// rolls nothing back. With a record, the installation's record of files
// follows; it lets the files of earlier releases go only when every job
// succeeded. A run that is cut off is rolled back by the next one into the
// folder, or the next start there.
bool runDirectly(const InstallJobList& jobs, const QString& dstDir, bool record)
{
    // The defaults: the three shortcut flags set (the list has no shortcut
    // job to read them), no user data.
    InstallOptions options;
    options.m_path = dstDir;

    InstallJournal journal(dstDir);
    if (!journal.begin())
        return false;
    bool result = true;
    for (const InstallJobPtr& job : jobs) {
        job->setOptions(options);
        job->setJournal(&journal);
        if (!job->execute()) {
            Log::instance()->critical(QStringLiteral("AutoUpdate job failed: ") + job->title());
            result = false;
        }
    }
    InstallJobList all = jobs;
    if (record) {
        auto recordJob = std::make_shared<InstalledFilesJob>(launcherFileNames(), TR::tr("InstallOpFile"));
        recordJob->setOptions(options);
        recordJob->setJournal(&journal);
        recordJob->setKeepEarlierFiles(!result);
        if (!recordJob->execute()) {
            Log::instance()->critical(QStringLiteral("AutoUpdate job failed: ") + recordJob->title() + QStringLiteral(": ")
                                      + recordJob->failure());
            result = false;
        }
        all.append(recordJob);
    }
    // Nothing is rolled back: what was replaced stays replaced.
    if (!journal.commit()) {
        Log::instance()->critical(QStringLiteral("AutoUpdate job failed: cannot write the install journal: ")
                                  + platform::systemErrorText());
        result = false;
    }
    for (const InstallJobPtr& job : all)
        job->commit();
    journal.end();
    return result;
}

// An empty directory would be taken as the file-system root.
bool bothDirectoriesGiven(const QString& srcDir, const QString& dstDir, const char* runner)
{
    if (!srcDir.isEmpty() && !dstDir.isEmpty())
        return true;
    Log::instance()->critical(QString::fromLatin1(runner) + QStringLiteral(" failed: empty directory (from \"") + srcDir
                              + QStringLiteral("\" to \"") + dstDir + QStringLiteral("\")"));
    return false;
}

} // namespace

bool installLauncherFiles(const QString& srcDir, const QString& dstDir)
{
    if (!bothDirectoriesGiven(srcDir, dstDir, "installLauncherFiles"))
        return false;
    InstallJobList jobs;
    addLauncherFileJobs(srcDir, dstDir, jobs);
    jobs.append(makeUninstallRegistryJob(g_launcherProduct, TR::tr("InstallCreateUninstall")));
    return runDirectly(jobs, dstDir, true);
}

bool copyLauncherFiles(const QString& srcDir, const QString& dstDir)
{
    if (!bothDirectoriesGiven(srcDir, dstDir, "copyLauncherFiles"))
        return false;
    InstallJobList jobs;
    addLauncherFileJobs(srcDir, dstDir, jobs);
    return runDirectly(jobs, dstDir, false);
}

} // namespace install
