#pragma once

#include "install/InstallJob.h"

#include <QStringList>

namespace install {

// The files an installation directory holds for the launcher to run: every
// library it loads beyond what each desktop Linux has, its Qt plug-ins in
// their subfolders, the 7-Zip plug-in, its icon and, last, the launcher
// executable. Paths relative to the installation directory, in install
// order. The build computes the list (install/LauncherFiles.cmake) and
// deploys the same files next to the built launcher.
const QStringList& launcherFileNames();
// "QMXLauncher.exe", the last of them.
QString launcherExeName();
// The icon that shortcuts show, one of them.
QString launcherIconName();

// What the launcher files in dir take together, in bytes.
qint64 launcherFilesSize(const QString& dir);

// Appends one CopyFileJob per launcher file, from srcDir to dstDir (both
// made absolute with a trailing "/"), each titled "InstallOpFile".
void addLauncherFileJobs(const QString& srcDir, const QString& dstDir, InstallJobList& jobs);

} // namespace install
