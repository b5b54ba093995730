#pragma once

#include "install/InstallJob.h"
#include "install/InstallOptions.h"

#include <QThread>

namespace install {

// Builds the job list for one install or uninstall and runs it on a thread
// of its own. Install mode executes the jobs in order and, when one fails,
// rolls back the completed ones, newest first. Uninstall mode rolls back
// every job, last to first, and then removes the launcher's working data in
// the installation directory. The owner starts the thread and waits for it.
class InstallWorker : public QThread
{
    Q_OBJECT

public:
    // installMode: 1 install, 0 uninstall. The job titles and the shortcut
    // name are translated here, in the language of this moment.
    InstallWorker(int installMode, const InstallOptions& options);
    ~InstallWorker() override;

    void buildJobs();

    // The installation path with "/" separators and a trailing "/"; not made absolute.
    QString targetDir() const;
    // The absolute application directory with a trailing "/".
    QString sourceDir() const;

signals:
    void installProgress(int step, int totalSteps, QString stepMessage);
    void installFinished(bool res);

protected:
    void run() override;

private:
    bool runInstall();
    void runUninstall();

    InstallOptions m_opts;
    int m_installMode;
    InstallJobList m_jobs;
    // The installation's record of its launcher files.
    InstallJobPtr m_recordJob;
};

// Whether a path can be an installation directory: absolute, and not in
// Qt's resources. The worker refuses any other path.
bool isUsableInstallPath(const QString& path);

// Copies the launcher files from srcDir into dstDir and writes the uninstall
// entry for dstDir, on the calling thread, without rollback: a failed job is
// logged and the others still run. Then it records the files in dstDir's
// record of installed files and, when every job succeeded, removes the
// files of earlier releases that the record names. True when every job
// succeeded.
bool installLauncherFiles(const QString& srcDir, const QString& dstDir);

// The same without the uninstall entry: the launcher files only.
bool copyLauncherFiles(const QString& srcDir, const QString& dstDir);

} // namespace install
