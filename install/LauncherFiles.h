#pragma once

#include "install/InstallJob.h"

#include <QStringList>

namespace install {

// The files an installation directory holds for the launcher to run: its
// Qt and ICU libraries, two Qt plugins in their subfolders and, last, the
// launcher executable. Paths relative to the installation directory, in
// install order. The list is kept in install/LauncherFiles.cmake, which the
// build also deploys from.
const QStringList& launcherFileNames();
// "QMXLauncher.exe", the last of them.
QString launcherExeName();

// Appends one CopyFileJob per launcher file, from srcDir to dstDir (both
// made absolute with a trailing "/"), each titled "InstallOpFile".
void addLauncherFileJobs(const QString& srcDir, const QString& dstDir, InstallJobList& jobs);

} // namespace install
