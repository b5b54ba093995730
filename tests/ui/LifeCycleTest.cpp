// The whole life of the launcher, as real processes of the built executable
// and a local mirror: installed with "--install", the game brought up to
// date by the installed launcher, the launcher replaced by a newer one that
// the mirror publishes, and removed again with "--uninstall". Every
// hand-over between the processes is a real one.

#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "install/LauncherFiles.h"
#include "install/WriteUninstallRegistry.h"
#include "platform/Registry.h"
#include "tests/support/DesktopFileValidate.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestHttpServer.h"
#include "tests/ui/LauncherProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

#include <gtest/gtest.h>

namespace {

using namespace launcherprocess;


// Where INSTALL sits in the install dialog (726 x 452): right and bottom,
// 16 px from both edges.
const int kInstallButtonX = 646;
const int kInstallButtonY = 412;

// What the entry of a per-user registry key holds, by value name.
QString registryText(const QString& name)
{
    QList<platform::RegistryValue> values;
    platform::readRegistryKey(install::WriteUninstallRegistry::keyPath(g_launcherProduct), &values);
    for (const platform::RegistryValue& value : values) {
        if (value.name == name)
            return value.text;
    }
    return QString();
}

bool uninstallEntryExists()
{
    QList<platform::RegistryValue> values;
    return platform::readRegistryKey(install::WriteUninstallRegistry::keyPath(g_launcherProduct), &values)
           == platform::RegistrySuccess;
}

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

class LifeCycleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_launcherProduct = launcherProductInfo();
        m_server.reset(new testsupport::TestHttpServer);
        ASSERT_TRUE(m_server->isRunning());
    }

    void TearDown() override
    {
        // The launchers that the runs started themselves.
        killProcessesBelow(testsupport::rootDir());
        m_server.reset();
        g_launcherProduct = ProductInfo();
    }

    QString versionDir() const { return testsupport::rootDir() + "/versions/1.1.0"; }

    // The mirror: the game at 1.1.0 as one full package, and a launcher
    // product that offers the launcher files of newLauncherDir, or none.
    void publish(const QString& newLauncherDir = QString())
    {
        if (!QFileInfo::exists(versionDir())) {
            testsupport::writeFile(versionDir() + "/data/pack.bin", testsupport::randomBytes(5, 400 * 1024));
            testsupport::writeFile(versionDir() + "/bin/readme.txt", "Quillmere 4\n");
        }
        publishMirror(*m_server, QFileInfo(versionDir()).absolutePath(), {}, newLauncherDir);
    }

    QString manifestUrl() const { return m_server->url("/update.json").toString(); }

    std::unique_ptr<testsupport::TestHttpServer> m_server;
};

TEST_F(LifeCycleTest, InstallUpdateReplaceAndUninstall)
{
    publish();
    const QString builtLauncher = QFileInfo(QStringLiteral(LAUNCHER_EXECUTABLE)).absolutePath();
    const QString newLauncher = QStringLiteral(LAUNCHER_NEXT_DIR);
    // The install dialog proposes this folder. The user has pointed the
    // launcher at the mirror by hand, which the installation keeps.
    const QString target = testsupport::homeDir() + "/Games/QMX_EN";
    testsupport::writeFile(target + "/QMXLauncher.conf",
                           QJsonDocument(QJsonObject{{"update_url", manifestUrl()}}).toJson());
    const QString installedExe = target + "/QMXLauncher.exe";
    const QString link = "/Quillmere 4.desktop";
    const QStringList links = {testsupport::homeDir() + "/.local/share/applications" + link,
                               testsupport::homeDir() + "/Desktop" + link};

    {
        SCOPED_TRACE("--install: the EULA, then the install dialog with the size from the mirror");
        Installation setup(testsupport::rootDir() + "/Setup", Installation::WholeLauncher);
        setup.writeSettings(QJsonObject{{"update_url", manifestUrl()}});
        QProcess* run = setup.start({"--install"});
        waitForWindow("License agreement");
        pressKeys({"Return"});
        waitUntilGone("License agreement");
        const QString dialog = waitForWindows(2);
        setup.waitUntilReady();
        clickAt(dialog, kInstallButtonX, kInstallButtonY);
        EXPECT_EQ(Installation::exitCode(run), 0);

        EXPECT_EQ(launcherFilesOf(target), launcherFilesOf(builtLauncher));
        EXPECT_EQ(testsupport::readFile(target + "/QMXLauncher.png"), testsupport::readFile(":/icon"));
        for (const QString& path : links) {
            SCOPED_TRACE(path.toStdString());
            const QString entry = QString::fromUtf8(testsupport::readFile(path));
            EXPECT_TRUE(entry.contains("\nExec=" + installedExe + "\n")) << entry.toStdString();
            // Menus and docks show the product's icon, which came with the files.
            EXPECT_TRUE(entry.contains("\nIcon=" + target + "/QMXLauncher.png\n")) << entry.toStdString();
            EXPECT_EQ(testsupport::desktopFileProblems(path), "");
        }
        EXPECT_EQ(registryText("InstallLocation"), target);
        EXPECT_EQ(registryText("DisplayVersion"), "4.0.10174");
        EXPECT_EQ(registryText("UninstallString"), installedExe + " --uninstall");
        EXPECT_TRUE(setup.log().contains("PostInstall: patching existing settings: " + target + "/QMXLauncher.conf"));
    }
    Installation installed(target, Installation::AlreadyThere);
    const QJsonObject settings = installed.settings();
    EXPECT_EQ(settings.value("eula_accepted").toInt(), 20171002);
    EXPECT_EQ(settings.value("install_path").toString(), target);
    EXPECT_EQ(settings.value("update_url").toString(), manifestUrl());

    {
        SCOPED_TRACE("the installed launcher, started by the installation, brings the game up to date");
        const qint64 pid = waitForProcessOf(installedExe);
        ASSERT_NE(pid, 0) << "the installed launcher was not started";
        // Docks tie its window to the entries by the window's class.
        const QString window = waitForWindows({"--pid", QString::number(pid)}, 1);
        const QString wmClass = windowClass(window);
        EXPECT_FALSE(wmClass.isEmpty());
        for (const QString& path : links) {
            EXPECT_TRUE(testsupport::readFile(path).contains("\nStartupWMClass=" + wmClass.toUtf8() + "\n"))
                << path.toStdString();
        }
        EXPECT_TRUE(waitFor([&] { return installed.settings().value("qmx.installed_version") == "1.1.0"; }));
        EXPECT_EQ(testsupport::fileDigests(target + "/Game"), testsupport::fileDigests(versionDir()));
        closeLauncherIn(target);
    }

    {
        SCOPED_TRACE("the mirror publishes a newer launcher: the next run hands over to it");
        publish(newLauncher);
        QProcess* run = installed.start();
        EXPECT_EQ(Installation::exitCode(run, 60000), 0);
        EXPECT_TRUE(installed.log().contains("Exiting for self update"));
        // The copy waits for it, replaces the files and starts the installed
        // launcher, which is the new one now.
        EXPECT_TRUE(waitFor([&] { return installed.log().contains("QMXLauncher " + kNextLauncherVersion); }));
        EXPECT_EQ(launcherFilesOf(target), launcherFilesOf(newLauncher));
        EXPECT_EQ(registryText("DisplayVersion"), kNextLauncherVersion);
        EXPECT_NE(waitForProcessOf(installedExe), 0);
        // It has nothing more to do: the launcher is current, so is the game.
        const auto newRun = [&] { return installed.log().section("QMXLauncher " + kNextLauncherVersion, 1); };
        EXPECT_TRUE(waitFor([&] { return newRun().contains("parsing update info success."); }));
        closeLauncherIn(target);
        EXPECT_FALSE(newRun().contains("Exiting for self update"));
        EXPECT_TRUE(waitUntilNoProcessBelow(testsupport::rootDir()));
    }

    {
        SCOPED_TRACE("--uninstall: stage 1 hands over to a copy in a \"qm_\" folder, which removes the rest");
        const QString temp = specialFolderPath(SpecialFolder::LocalAppData, false) + "Temp";
        QProcess* run = installed.start({"--uninstall"});
        EXPECT_EQ(Installation::exitCode(run), 0);
        EXPECT_TRUE(waitUntilNoProcessBelow(testsupport::rootDir(), 60000)) << "stage 2 did not end";

        EXPECT_FALSE(uninstallEntryExists());
        for (const QString& path : links)
            EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
        EXPECT_FALSE(QFileInfo::exists(specialFolderPath(SpecialFolder::ProductData, false)));
        // What stays: the folder with its emptied subfolders. The copy that
        // stage 2 ran from has gone with it.
        QStringList subfolders;
        for (const QString& name : install::launcherFileNames()) {
            if (name.contains('/') && !subfolders.contains(name.section('/', 0, 0)))
                subfolders << name.section('/', 0, 0);
        }
        subfolders.sort();
        EXPECT_EQ(entriesOf(target), subfolders);
        EXPECT_TRUE(QFileInfo(temp).isDir()) << "stage 1 made no copy";
        EXPECT_EQ(entriesOf(temp), QStringList());
    }
}

} // namespace
