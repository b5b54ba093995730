// The hand-overs of the built "QMXLauncher.exe", "--update" and
// "--uninstall", as real processes where there is no screen at all (no X
// display, no Wayland, no Qt platform chosen), as from a console or ssh:
// they run there, and act only on an absolute path that holds an installed
// launcher.

#include "core/Localization.h"
#include "core/ProductInfo.h"
#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "install/WriteUninstallRegistry.h"
#include "platform/Registry.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/LauncherProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>

#include <memory>

#include <gtest/gtest.h>

namespace {

using namespace launcherprocess;

QList<platform::RegistryValue> uninstallEntry()
{
    QList<platform::RegistryValue> values;
    platform::readRegistryKey(install::WriteUninstallRegistry::keyPath(g_launcherProduct), &values);
    return values;
}

QString entryText(const QString& name)
{
    for (const platform::RegistryValue& value : uninstallEntry()) {
        if (value.name == name)
            return value.text;
    }
    return QString();
}

int endedProcessId()
{
    QProcess process;
    process.start("/bin/true", QStringList());
    EXPECT_TRUE(process.waitForStarted(5000));
    const int pid = int(process.processId());
    EXPECT_TRUE(process.waitForFinished(5000));
    return pid;
}

// An installation made by the install worker from a folder holding the
// whole built launcher (the application directory of this test), with its
// shortcuts and uninstall entry; beside it a folder of the player's.
class HandOverProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_launcherProduct = launcherProductInfo();
        // The shortcuts' names, as the launcher processes name them.
        ASSERT_TRUE(setLanguage("en_US"));
        m_source.reset(new Installation(testsupport::appDir(), Installation::WholeLauncher));
        install::InstallOptions options;
        options.m_path = target();
        install::InstallWorker worker(1, options);
        worker.start();
        ASSERT_TRUE(worker.wait(60000));
        ASSERT_EQ(entryText("InstallLocation"), target());
        for (const char* file : {"Game/bin/qmx_x64.exe", "log.txt", "QMXLauncher.conf"})
            testsupport::writeFile(target() + "/" + file, "x");
        for (const char* file : {"Game/save.dat", "log.txt", "QMXLauncher.conf", "notes.txt"})
            testsupport::writeFile(others() + "/" + file, "the player's");
        m_installed.reset(new Installation(target(), Installation::AlreadyThere));
    }

    void TearDown() override
    {
        killProcessesBelow(testsupport::rootDir());
        m_installed.reset();
        m_source.reset();
        g_launcherProduct = ProductInfo();
    }

    static QString target() { return testsupport::rootDir() + "/Games/QMX_EN"; }
    static QString others() { return testsupport::rootDir() + "/Games/Mine"; }
    static QString desktopEntry() { return testsupport::homeDir() + "/Desktop/Quillmere 4.desktop"; }

    std::unique_ptr<Installation> m_source;
    std::unique_ptr<Installation> m_installed;
};

// "--update" run by a new launcher, here the one in the application
// directory: only a path that is absolute and names the installation (its
// folder or its executable) is replaced; anything else writes nothing and
// ends with 1 and one critical line, without waiting for the process id.
TEST_F(HandOverProcessTest, UpdateActsOnlyOnAnInstallation)
{
    const QString games = testsupport::rootDir() + "/Games";
    const struct {
        const char* what;
        QStringList arguments;
        QString workingDir;
        int exitCode;
        QString logLine;
    } cases[] = {
        {"no options", {"--update"}, {}, 1, "Update failed: missing option"},
        {"a relative path", {"--update", "--path", "QMX_EN", "--pid", "1"}, games, 1,
         "Update failed: path is not absolute: \"QMX_EN\""},
        {"a relative executable", {"--update", "--path", "QMX_EN/QMXLauncher.exe", "--pid", "1"}, games, 1,
         "Update failed: path is not absolute: \"QMX_EN/QMXLauncher.exe\""},
        {"a folder of the player's", {"--update", "--path", others(), "--pid", "1"}, {}, 1,
         "Update failed: no launcher in \"" + others() + "\""},
        {"a file of the player's", {"--update", "--path", others() + "/notes.txt", "--pid", "1"}, {}, 1,
         "Update failed: no launcher in \"" + others() + "/notes.txt\""},
        {"a path that does not exist", {"--update", "--path", target() + "/QMXLauncher.old", "--pid", "1"}, {}, 1,
         "Update failed: no launcher in \"" + target() + "/QMXLauncher.old\""},
    };
    const QMap<QString, QString> before = testsupport::describeTree(games);
    const QList<platform::RegistryValue> entry = uninstallEntry();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(testsupport::appDir() + "/log.txt");
        QProcess* run = m_source->startWithoutDisplay(c.arguments, c.workingDir);
        EXPECT_EQ(Installation::exitCode(run), c.exitCode);
        const QStringList criticals = m_source->log().split('\n').filter(QRegularExpression("^crit "));
        ASSERT_EQ(criticals.size(), 1) << m_source->log().toStdString();
        EXPECT_TRUE(criticals[0].endsWith(c.logLine)) << criticals[0].toStdString();
        EXPECT_EQ(testsupport::describeTree(games), before);
        EXPECT_EQ(uninstallEntry(), entry);
        EXPECT_TRUE(processesBelow(games).isEmpty());
    }

    // The installation's executable: replaced, and its entry rewritten.
    const QString installedFile = target() + "/libQt5DBus.so.5";
    testsupport::writeFile(installedFile, "an older library");
    platform::writeRegistryKey(install::WriteUninstallRegistry::keyPath(g_launcherProduct), {});
    QProcess* run = m_source->startWithoutDisplay(
        {"--update", "--path", target() + "/QMXLauncher.exe", "--pid", QString::number(endedProcessId())});
    EXPECT_EQ(Installation::exitCode(run), 0);
    EXPECT_EQ(testsupport::readFile(installedFile), testsupport::readFile(testsupport::appDir() + "/libQt5DBus.so.5"));
    EXPECT_EQ(entryText("InstallLocation"), target());
    EXPECT_EQ(entryText("UninstallString"), target() + "/QMXLauncher.exe --uninstall");
}

// A replacement that fails leaves its lines in the installation's own log,
// not beside the copy, which the next update job removes; an old launcher
// that had already ended when the copy began to wait is no failure.
TEST_F(HandOverProcessTest, AFailedUpdateLeavesItsLinesInTheInstallationsLog)
{
    // The copy starts without it; the replacement cannot copy it.
    ASSERT_TRUE(QFile::remove(testsupport::appDir() + "/7z.so"));
    QFile::remove(testsupport::appDir() + "/log.txt");
    QFile::remove(target() + "/log.txt");

    QProcess* run = m_source->startWithoutDisplay(
        {"--update", "--path", target() + "/QMXLauncher.exe", "--pid", QString::number(endedProcessId())});
    EXPECT_EQ(Installation::exitCode(run), 1);
    const QStringList criticals = m_installed->log().split('\n').filter(QRegularExpression("^crit "));
    ASSERT_EQ(criticals.size(), 2) << m_installed->log().toStdString();
    EXPECT_TRUE(criticals[0].contains("AutoUpdate job failed: ")) << criticals[0].toStdString();
    EXPECT_TRUE(criticals[1].endsWith("Failed to uptate files from " + testsupport::appDir() + " in " + target()))
        << criticals[1].toStdString();
    EXPECT_FALSE(m_source->log().contains("crit ")) << m_source->log().toStdString();
    EXPECT_TRUE(processesBelow(target()).isEmpty());
}

// "--uninstall" from the installed launcher, both stages where there is no
// screen: the installation, its shortcuts and its entry go; the player's
// folder beside it stays.
TEST_F(HandOverProcessTest, UninstallRunsWithoutAScreen)
{
    ASSERT_TRUE(QFileInfo::exists(desktopEntry()));
    const QMap<QString, QString> mine = testsupport::describeTree(others());

    // A hand-over with a relative path removes nothing.
    QProcess* refused = m_installed->startWithoutDisplay(
        {"--uninstall", "--path", "QMX_EN", "--pid", QString::number(endedProcessId())},
        testsupport::rootDir() + "/Games");
    EXPECT_EQ(Installation::exitCode(refused), 1);
    EXPECT_TRUE(m_installed->log().contains("Uninstall failed: path is not absolute: \"QMX_EN\""));
    EXPECT_TRUE(QFileInfo::exists(target() + "/QMXLauncher.exe"));
    EXPECT_TRUE(QFileInfo::exists(desktopEntry()));

    QProcess* run = m_installed->startWithoutDisplay({"--uninstall"});
    EXPECT_EQ(Installation::exitCode(run), 0);
    EXPECT_TRUE(waitUntilNoProcessBelow(testsupport::rootDir(), 60000)) << "stage 2 did not end";
    EXPECT_TRUE(uninstallEntry().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(desktopEntry()));
    EXPECT_FALSE(QFileInfo::exists(testsupport::homeDir() + "/.local/share/applications/Quillmere 4.desktop"));
    for (const QString& name : install::launcherFileNames())
        EXPECT_FALSE(QFileInfo::exists(target() + "/" + name)) << name.toStdString();
    for (const char* data : {"Game", "log.txt", "QMXLauncher.conf"})
        EXPECT_FALSE(QFileInfo::exists(target() + "/" + data)) << data;
    EXPECT_EQ(testsupport::describeTree(others()), mine);
}

// A session that names a Qt platform the folder does not carry, where no X
// display answers either (Wayland without XWayland, an ssh shell that kept
// the variable): the hand-overs take the way without a screen, the window
// modes end with one critical line; nothing aborts.
TEST_F(HandOverProcessTest, NoPlatformThatCanServeNeverAborts)
{
    const QString noWindows = "Showing windows failed: no X display accepts a connection";
    const struct {
        const char* platform;
        QStringList arguments;
        QString logLine;
    } cases[] = {
        {"wayland", {"--update"}, "Update failed: missing option"},
        {"wayland;xcb", {"--uninstall", "--path", "QMX_EN", "--pid", "1"},
         "Uninstall failed: path is not absolute: \"QMX_EN\""},
        {"offscreen", {"--update"}, "Update failed: missing option"},
        {"wayland", {}, noWindows + " (DISPLAY \"\", QT_QPA_PLATFORM \"wayland\")"},
        {"wayland;xcb", {"--install"}, noWindows + " (DISPLAY \"\", QT_QPA_PLATFORM \"wayland;xcb\")"},
    };
    // Settings that load, so that the only line is the one looked for.
    testsupport::writeFile(target() + "/QMXLauncher.conf", "{}");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.platform) + " " + c.arguments.join(' ').toStdString());
        QFile::remove(target() + "/log.txt");
        QProcess* run = m_installed->startWithoutDisplay(c.arguments, testsupport::rootDir() + "/Games",
                                                         {{"QT_QPA_PLATFORM", c.platform}, {"WAYLAND_DISPLAY", "wayland-0"}});
        EXPECT_EQ(Installation::exitCode(run), 1);
        const QStringList criticals = m_installed->log().split('\n').filter(QRegularExpression("^crit "));
        ASSERT_EQ(criticals.size(), 1) << m_installed->log().toStdString();
        EXPECT_TRUE(criticals[0].endsWith(c.logLine)) << criticals[0].toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(target() + "/QMXLauncher.exe"));
}

} // namespace
