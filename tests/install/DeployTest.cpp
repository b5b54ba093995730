#include "install/LauncherFiles.h"
#include "tests/support/Printers.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// The folder of the built launcher is what the installer and a self-update
// copy: it holds the listed files, as real files, and nothing else the
// launcher would need (what a run of the launcher writes there aside).
TEST(Deploy, TheFolderHoldsExactlyTheLauncherFiles)
{
    const QString folder = QStringLiteral(LAUNCHER_DIR);
    const QStringList workingData = {"log.txt", "QMXLauncher.conf", "Session.conf", "Game", "Update", "UpdateTemp"};
    QStringList present;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QDir(folder).relativeFilePath(it.next());
        if (!workingData.contains(name.section('/', 0, 0)))
            present << name;
        EXPECT_FALSE(it.fileInfo().isSymLink()) << name.toStdString();
    }
    present.sort();
    QStringList listed = install::launcherFileNames();
    listed.sort();
    EXPECT_EQ(present, listed);
    EXPECT_EQ(install::launcherFileNames().last(), install::launcherExeName());
    EXPECT_TRUE(listed.contains(install::launcherIconName()));
}

} // namespace
