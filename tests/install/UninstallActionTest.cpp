#include "core/Paths.h"
#include "install/HandOver.h"
#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "install/UninstallAction.h"
#include "install/WriteUninstallRegistry.h"
#include "tests/install/HandOverFixture.h"
#include "tests/support/StandInLauncher.h"
#include "tests/support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace install;

namespace {

QHash<int, QVariant> handOver(const QString* path, const int* pid)
{
    QHash<int, QVariant> options;
    if (path)
        options.insert(HandOverPath, *path);
    if (pid)
        options.insert(HandOverPid, *pid);
    return options;
}

class UninstallActionTest : public HandOverFixture
{
protected:

    // What an install from the dialog leaves, with every shortcut, plus the
    // launcher's working data and a file of someone else.
    void installEverything()
    {
        InstallOptions options;
        options.m_path = target();
        InstallWorker worker(1, options);
        worker.start();
        ASSERT_TRUE(worker.wait(60000));
        ASSERT_TRUE(entryExists());
        testsupport::writeFile(specialFolderPath(SpecialFolder::ProductData, false) + "state.json", "{}");
        for (const char* file : {"Update/a.7z", "UpdateTemp/c1/patch.conf", "Game/bin/qmx_x64.exe", "log.txt",
                                 "QMXLauncher.conf", "Session.conf"})
            testsupport::writeFile(target() + "/" + file, "x");
    }

    QStringList entriesOf(const QString& dir) const
    {
        QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        entries.sort();
        return entries;
    }

    static QString tempFolder() { return specialFolderPath(SpecialFolder::LocalAppData, false) + "Temp"; }

    // The entry of the installation that stage 1 runs from.
    void describeTheInstallation() const
    {
        ASSERT_EQ(platform::writeRegistryKey(install::WriteUninstallRegistry::keyPath(g_launcherProduct),
                                             expectedEntry(source(), source() + "/QMXLauncher.exe")),
                  platform::RegistrySuccess);
    }
};

TEST_F(UninstallActionTest, StageOneCopiesTheLauncherToTempAndStartsTheCopy)
{
    describeTheInstallation();
    EXPECT_EQ(runUninstallAction({}), 0);

    const QStringList made = entriesOf(tempFolder());
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(QRegularExpression("^qm_[0-9a-f]+$").match(made[0]).hasMatch()) << made[0].toStdString();
    const QString copy = tempFolder() + "/" + made[0];
    for (const QString& name : launcherFileNames())
        EXPECT_EQ(testsupport::readFile(copy + "/" + name), testsupport::readFile(source() + "/" + name))
            << name.toStdString();
    // Until stage 2 removes it, the entry describes the installation.
    EXPECT_EQ(storedEntry(), expectedEntry(source(), source() + "/QMXLauncher.exe"));

    const testsupport::StandInStart start = testsupport::waitForStandInStart(copy);
    ASSERT_TRUE(start.started);
    EXPECT_EQ(start.program, copy + "/QMXLauncher.exe");
    EXPECT_EQ(start.arguments, QStringList({"--uninstall", "--path", source(), "--pid",
                                            QString::number(QCoreApplication::applicationPid())}));
}

// The entry then still names the installation, so the next uninstall runs
// from there again, not from the copy.
TEST_F(UninstallActionTest, StageOneReportsACopyThatCannotStart)
{
    describeTheInstallation();
    QFile::remove(source() + "/QMXLauncher.exe");

    EXPECT_EQ(startUninstallFromTemp(), 1);
    const QStringList made = entriesOf(tempFolder());
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(testsupport::logContains("AutoUpdate job failed: Installing files..."));
    EXPECT_TRUE(
        testsupport::logContains("Uninstall: failed to start copy: " + tempFolder() + "/" + made[0] + "/QMXLauncher.exe"));
    EXPECT_EQ(storedEntry(), expectedEntry(source(), source() + "/QMXLauncher.exe"));
}

TEST_F(UninstallActionTest, StageTwoWaitsForStageOneThenRemovesTheInstallation)
{
    installEverything();
    testsupport::clearLog();
    // Stage 1 still sees its files when it ends.
    const int pid = startParent("test -e '" + target() + "/QMXLauncher.exe' && echo present > '" + markerPath() + "'");

    const QString path = target();
    EXPECT_EQ(runUninstallAction(handOver(&path, &pid)), 0);
    EXPECT_EQ(testsupport::readFile(markerPath()), "present\n");

    // The worker's uninstall, every job from the entry back to the first file.
    QStringList handled;
    for (const QString& line : testsupport::logLines()) {
        const QRegularExpressionMatch m =
            QRegularExpression(QString("uninstall \\((\\d+)/%1\\) (.*)$").arg(fileCount() + 5)).match(line);
        if (m.hasMatch())
            handled << m.captured(2);
    }
    QStringList titles = {"Creating uninstall keys...", "Removing user data...", "Creating desktop links...",
                          "Creating quick launch links...", "Creating start menu links..."};
    for (int i = 0; i < fileCount(); ++i)
        titles << "Installing files...";
    EXPECT_EQ(handled, titles);

    EXPECT_FALSE(entryExists());
    EXPECT_FALSE(QFileInfo::exists(specialFolderPath(SpecialFolder::ProductData, false)));
    for (const char* folder : {kStartMenu, kQuickLaunch, kDesktop})
        EXPECT_FALSE(QFileInfo::exists(linkPath(folder))) << folder;
    // What stays: the folder, its emptied subfolders, others' files, and the
    // copy that stage 2 runs from.
    EXPECT_EQ(entriesOf(target()), QStringList{"Session.conf"} + fileFolders());
    EXPECT_EQ(entriesOf(target() + "/platforms"), QStringList());
    for (const QString& name : launcherFileNames())
        EXPECT_TRUE(QFileInfo::exists(source() + "/" + name)) << name.toStdString();
}

TEST_F(UninstallActionTest, StageTwoWithoutBothOptionsRemovesNothing)
{
    installEverything();
    const QStringList installed = entriesOf(target());
    const QString path = target();
    const QString empty;
    // A live process id: waiting for it would take the whole time-out.
    const int live = int(QCoreApplication::applicationPid());
    const int zero = 0;
    const struct {
        const char* what;
        QHash<int, QVariant> options;
    } cases[] = {
        {"--path alone", handOver(&path, nullptr)},
        {"--pid alone", handOver(nullptr, &live)},
        {"an empty --path", handOver(&empty, &live)},
        {"a --pid that is no number", handOver(&path, &zero)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::clearLog();
        EXPECT_EQ(runUninstallAction(c.options), 1);
        EXPECT_TRUE(testsupport::logContains("Uninstall failed: missing option"));
        EXPECT_FALSE(testsupport::logContains("uninstall ("));
        EXPECT_EQ(entriesOf(target()), installed);
        EXPECT_TRUE(entryExists());
    }
}

// A hand-over names the installation stage 1 ran from, as an absolute path;
// a relative one, or a folder without a launcher in it (the home folder,
// say), is left alone, as is the working directory.
TEST_F(UninstallActionTest, StageTwoRemovesNothingWhereNoLauncherIs)
{
    installEverything();
    const QString cwd = testsupport::rootDir();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd));
    const int live = int(QCoreApplication::applicationPid());
    const struct {
        const char* what;
        QString path;
        bool removeLauncher;
        QString logLine;
    } cases[] = {
        {"a relative path to an installation", "Install Dir", false,
         "Uninstall failed: path is not absolute: \"Install Dir\""},
        {"a folder without a launcher", target(), true, "Uninstall failed: no launcher in \"" + target() + "\""},
        {"the home folder", testsupport::homeDir(), false,
         "Uninstall failed: no launcher in \"" + testsupport::homeDir() + "\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.removeLauncher) {
            ASSERT_TRUE(QFile::remove(target() + "/QMXLauncher.exe"));
        }
        const QStringList installed = entriesOf(target());
        testsupport::clearLog();
        EXPECT_EQ(runUninstallAction(handOver(&c.path, &live)), 1);
        const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
        ASSERT_EQ(criticals.size(), 1);
        EXPECT_TRUE(criticals[0].endsWith(c.logLine)) << criticals[0].toStdString();
        EXPECT_EQ(entriesOf(target()), installed);
        EXPECT_TRUE(entryExists());
        EXPECT_TRUE(QFileInfo::exists(linkPath(kDesktop)));
    }
    QDir::setCurrent(previous);
}

// "--uninstall" from another copy of the launcher than the installed one
// (the folder the player installed from): the copy's files go, but the
// product's one uninstall entry and its shortcuts describe the installation
// and stay; the installation's own uninstall removes them.
TEST_F(UninstallActionTest, StageTwoOfAnotherCopyLeavesTheInstallationsEntries)
{
    installEverything();
    const QList<platform::RegistryValue> entry = storedEntry();
    const QString copy = source();
    const int ended = endedProcessId();

    EXPECT_EQ(uninstallAfterParentExit(copy, ended), 0);
    for (const QString& name : launcherFileNames())
        EXPECT_FALSE(QFileInfo::exists(copy + "/" + name)) << name.toStdString();
    EXPECT_EQ(storedEntry(), entry);
    for (const char* folder : {kStartMenu, kQuickLaunch, kDesktop})
        EXPECT_TRUE(QFileInfo::exists(linkPath(folder))) << folder;

    EXPECT_EQ(uninstallAfterParentExit(target(), ended), 0);
    EXPECT_FALSE(entryExists());
    for (const char* folder : {kStartMenu, kQuickLaunch, kDesktop})
        EXPECT_FALSE(QFileInfo::exists(linkPath(folder))) << folder;
}

// Stage 2 runs from the copy that stage 1 made in the Temp folder, which no
// system cleans: once it has removed the installation, the copy goes too.
TEST_F(UninstallActionTest, StageTwoRemovesTheCopyItRunsFrom)
{
    installEverything();
    const QString copy = tempFolder() + "/qm_1a2b";
    ASSERT_TRUE(testsupport::copyFiles(source(), copy));
    setAppDirPathForTests(copy);

    EXPECT_EQ(uninstallAfterParentExit(target(), endedProcessId()), 0);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(entryExists());
    EXPECT_EQ(entriesOf(target()), QStringList{"Session.conf"} + fileFolders());
}

// Looking for the shortcuts and the product's data folder makes none of
// their folders where they are missing.
TEST_F(UninstallActionTest, StageTwoMakesNoFolderToLookIn)
{
    InstallOptions options;
    options.m_path = target();
    options.m_createStartMenuItems = false;
    options.m_createQuickLaunchItems = false;
    options.m_createDesktopIcon = false;
    InstallWorker worker(1, options);
    worker.start();
    ASSERT_TRUE(worker.wait(60000));
    ASSERT_TRUE(entryExists());
    const QString config = testsupport::homeDir() + "/.config";
    const QStringList homeBefore = entriesOf(testsupport::homeDir());
    const QStringList configBefore = entriesOf(config);

    const QString path = target();
    const int ended = endedProcessId();
    EXPECT_EQ(runUninstallAction(handOver(&path, &ended)), 0);
    EXPECT_FALSE(entryExists());
    EXPECT_EQ(entriesOf(testsupport::homeDir()), homeBefore);
    EXPECT_EQ(entriesOf(config), configBefore);
    for (const char* folder : {kStartMenu, kQuickLaunch, kDesktop, ".config/Microsoft", ".config/Ostrevan"})
        EXPECT_FALSE(QFileInfo::exists(testsupport::homeDir() + "/" + folder)) << folder;
}

} // namespace
