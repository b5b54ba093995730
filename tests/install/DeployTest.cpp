#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "tests/install/InstallFixture.h"
#include "tests/support/TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>

namespace {

using Deploy = InstallFixture;

// The deploy step puts the runtime files next to a built executable; an
// installation copied from there runs on those files, wherever it lands.
TEST_F(Deploy, AnInstalledCopyRunsOnItsOwnLibraries)
{
    const QString built = QStringLiteral(LAUNCHER_DEPLOY_PROBE_DIR);
    for (const QString& name : install::launcherFileNames()) {
        const QFileInfo file(built + "/" + name);
        EXPECT_TRUE(file.isFile() && !file.isSymLink()) << name.toStdString();
    }

    const QString copy = testsupport::rootDir() + "/Installed Copy";
    ASSERT_TRUE(install::installLauncherFiles(built, copy));

    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("LD_LIBRARY_PATH");
    env.remove("QT_PLUGIN_PATH");
    // In the sanitizer build the probe is instrumented too; what Qt keeps
    // until exit is not this test's business.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    probe.setProcessEnvironment(env);
    probe.setWorkingDirectory(testsupport::rootDir());
    probe.start(copy + "/QMXLauncher.exe", QStringList());
    ASSERT_TRUE(probe.waitForStarted(10000));
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished(5000);
        FAIL() << "the installed copy did not end";
    }
    const QString output = QString::fromLocal8Bit(probe.readAllStandardOutput());
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();

    QStringList libraries;
    QStringList pluginPaths;
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("library "))
            libraries << line.mid(8);
        else if (line.startsWith("plugins "))
            pluginPaths << line.mid(8);
    }
    // Every Qt and ICU library of the list is loaded, and from the copy.
    for (const QString& name : install::launcherFileNames().mid(0, 9)) {
        if (name.contains('/'))
            continue; // the plugins: only the platform plugin in use is loaded
        EXPECT_TRUE(libraries.contains(copy + "/" + name)) << name.toStdString() << "\n" << output.toStdString();
    }
    for (const QString& library : libraries) {
        if (library.contains("libQt5Core") || library.contains("libQt5Gui") || library.contains("libQt5Widgets")
            || library.contains("libQt5DBus") || library.contains("libicu")) {
            EXPECT_TRUE(library.startsWith(copy + "/")) << library.toStdString();
        }
    }
    // Qt looks for plugins in the executable's folder as well.
    EXPECT_TRUE(pluginPaths.contains(copy)) << output.toStdString();
}

} // namespace
