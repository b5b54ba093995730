// The application folder as players get it: the launcher runs on the files
// it carries and nothing else of the system but the host baseline, also
// where the system has a Qt of its own, and on a host that has nothing else.

#include "core/ProductInfo.h"
#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "install/WriteUninstallRegistry.h"
#include "tests/support/BareRoot.h"
#include "tests/support/Printers.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestHttpServer.h"
#include "tests/ui/LauncherProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

using namespace launcherprocess;

const QString kSystemQtPlugins = "/usr/lib/x86_64-linux-gnu/qt5/plugins";

// The files a process has mapped, by path.
QSet<QString> mappedFiles(qint64 pid)
{
    QSet<QString> files;
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const int slash = line.indexOf('/');
        if (slash >= 0)
            files.insert(QString::fromLocal8Bit(line.mid(slash)).remove(QStringLiteral(" (deleted)")));
    }
    return files;
}

// The mapped files below dir, by their paths relative to it.
QStringList mappedBelow(const QSet<QString>& mapped, const QString& dir)
{
    const QString prefix = QFileInfo(dir).canonicalFilePath() + "/";
    QStringList below;
    for (const QString& file : mapped) {
        if (file.startsWith(prefix))
            below << file.mid(prefix.size());
    }
    below.sort();
    return below;
}

// Every launcher file that a running launcher loads: all but its icon and
// the licence texts.
QStringList loadedLauncherFiles()
{
    QStringList files = install::launcherFileNames();
    files.removeAll(install::launcherIconName());
    files = files.filter(QRegularExpression("^(?!licenses/)"));
    files.sort();
    return files;
}

// A game of two versions: the full package of 1.0.0 and the patch to 1.1.0.
void writeGameVersions(const QString& versions)
{
    testsupport::writeFile(versions + "/1.0.0/data/pack.bin", testsupport::randomBytes(5, 300 * 1024));
    testsupport::writeFile(versions + "/1.0.0/bin/readme.txt", "Quillmere 4\n");
    QByteArray changed = testsupport::randomBytes(5, 300 * 1024);
    changed.replace(1000, 5000, testsupport::randomBytes(6, 7000));
    testsupport::writeFile(versions + "/1.1.0/data/pack.bin", changed);
    testsupport::writeFile(versions + "/1.1.0/bin/readme.txt", "Quillmere 4, second edition\n");
    testsupport::writeFile(versions + "/1.1.0/data/new.bin", testsupport::randomBytes(7, 50 * 1024));
}

class AppFolder : public ::testing::Test
{
protected:
    void SetUp() override { g_launcherProduct = launcherProductInfo(); }

    void TearDown() override
    {
        killProcessesBelow(testsupport::rootDir());
        g_launcherProduct = ProductInfo();
    }

    QString versionsDir() const { return testsupport::rootDir() + "/versions"; }

    // The mirror: the game as writeGameVersions has it, and a launcher
    // product that offers the launcher files of nextLauncherDir, or none.
    void publish(const testsupport::TestHttpServer& server, const QString& nextLauncherDir = QString())
    {
        publishMirror(server, versionsDir(), {Version(1, 0, 0)}, nextLauncherDir);
    }
};

TEST_F(AppFolder, RunsOnItsOwnFilesWhereTheSystemHasQt)
{
    ASSERT_TRUE(QFileInfo(kSystemQtPlugins + "/platforms/libqxcb.so").isFile()) << "this machine has no Qt to avoid";
    writeGameVersions(versionsDir());
    testsupport::TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    publish(server);

    Installation installed(testsupport::rootDir() + "/QMX", Installation::WholeLauncher);
    installed.writeSettings(
        QJsonObject{{"eula_accepted", 20171002}, {"update_url", server.url("/update.json").toString()}});
    // Even pointed at the system's plug-ins, it keeps to its own.
    qputenv("QT_PLUGIN_PATH", QFile::encodeName(kSystemQtPlugins));
    installed.start();
    qunsetenv("QT_PLUGIN_PATH");
    const qint64 pid = waitForProcessOf(installed.exe());
    ASSERT_NE(pid, 0);
    // The update has unpacked with the 7-Zip plug-in by then.
    ASSERT_TRUE(waitFor([&] { return installed.settings().value("qmx.installed_version") == "1.1.0"; }));
    EXPECT_EQ(testsupport::fileDigests(installed.dir() + "/Game"),
              testsupport::fileDigests(versionsDir() + "/1.1.0"));

    const QSet<QString> mapped = mappedFiles(pid);
    // Each library and plug-in it carries is loaded, from its folder.
    EXPECT_EQ(mappedBelow(mapped, installed.dir()), loadedLauncherFiles());
    EXPECT_EQ(mappedBelow(mapped, kSystemQtPlugins), QStringList());
    EXPECT_EQ(mappedBelow(mapped, "/usr/lib/p7zip"), QStringList());
    const QString folder = QFileInfo(installed.dir()).canonicalFilePath() + "/";
    for (const QString& file : mapped) {
        if (!file.startsWith(folder)) {
            EXPECT_FALSE(QFileInfo(file).fileName().startsWith("libQt5")) << file.toStdString() << " is the system's";
        }
    }

    // The window shows the product's icon.
    const QString window = waitForWindows(1);
    const QString icon = [&] {
        QProcess xprop;
        xprop.start("xprop", {"-id", window, "-f", "_NET_WM_ICON", "32c", "_NET_WM_ICON"});
        xprop.waitForFinished(10000);
        return QString::fromLatin1(xprop.readAllStandardOutput().left(200));
    }();
    EXPECT_TRUE(icon.startsWith("_NET_WM_ICON(CARDINAL) = 256, 256, ")) << icon.toStdString();
    closeLauncherIn(installed.dir());
}

// A host that has nothing of the launcher's: the baseline, the X server and
// a CA store where Fedora keeps it. The launcher, installed there by its own
// install code, brings a game up to date over HTTPS, replaces itself with a
// newer one from the mirror and removes itself again.
TEST_F(AppFolder, RunsOnABareHost)
{
    testsupport::BareRoot root(testsupport::rootDir() + "/bare", QStringLiteral(LAUNCHER_HOST_BASELINE));
    if (!root.isReady())
        GTEST_SKIP() << "no bare root on this machine: " << root.error().toStdString();
    for (const QString& library : root.libraries()) {
        for (const char* foreign : {"libQt5", "libtorrent", "libcurl", "libicu", "7z"})
            EXPECT_FALSE(library.startsWith(QLatin1String(foreign))) << library.toStdString();
    }

    testsupport::TestCertificates certificates;
    ASSERT_TRUE(testsupport::makeTestCertificates(testsupport::rootDir() + "/certs", &certificates));
    testsupport::TestHttpServer server(testsupport::TestHttpServer::Tls{certificates.serverCert, certificates.serverKey});
    ASSERT_TRUE(server.isRunning());
    writeGameVersions(versionsDir());
    publish(server);
    const QString manifest = server.url("/update.json").toString();

    const QString built = QFileInfo(QStringLiteral(LAUNCHER_EXECUTABLE)).absolutePath();
    const QString target = root.outside("/opt/QMX");
    ASSERT_TRUE(install::installLauncherFiles(built, target));
    Installation installed(target, Installation::AlreadyThere);
    installed.runInside(&root);
    installed.writeSettings(QJsonObject{{"eula_accepted", 20171002}, {"update_url", manifest}});

    {
        SCOPED_TRACE("without a CA store nothing goes out unchecked");
        QProcess* run = installed.start();
        ASSERT_TRUE(waitFor([&] { return installed.log().contains("download update info fail: " + manifest); }))
            << installed.log().toStdString();
        // Exit in the retry box over the main window.
        waitForWindows(2);
        pressKeys({"Tab", "space"});
        EXPECT_EQ(Installation::exitCode(run), 0);
        for (const QJsonObject& request : server.requests())
            EXPECT_EQ(request.value("path").toString(), "/update.json");
        EXPECT_FALSE(installed.settings().contains("qmx.installed_version"));
    }

    const QString bundle = root.outside("/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem");
    QDir().mkpath(QFileInfo(bundle).absolutePath());
    ASSERT_TRUE(QFile::copy(certificates.caCert, bundle));
    {
        SCOPED_TRACE("the game brought up to date");
        QFile::remove(installed.dir() + "/log.txt");
        installed.start();
        ASSERT_TRUE(waitFor([&] { return installed.settings().value("qmx.installed_version") == "1.1.0"; }))
            << installed.log().toStdString();
        EXPECT_EQ(testsupport::fileDigests(installed.dir() + "/Game"),
              testsupport::fileDigests(versionsDir() + "/1.1.0"));
        const qint64 pid = waitForProcessOf(installed.exe());
        EXPECT_EQ(mappedBelow(mappedFiles(pid), installed.dir()), loadedLauncherFiles());
        closeLauncherIn(root.dir());
    }

    {
        SCOPED_TRACE("--update: the newer launcher from the mirror replaces this one");
        const QString newLauncher = QStringLiteral(LAUNCHER_NEXT_DIR);
        publish(server, newLauncher);
        QProcess* run = installed.start();
        EXPECT_EQ(Installation::exitCode(run, 60000), 0);
        EXPECT_TRUE(installed.log().contains("Exiting for self update"));
        EXPECT_TRUE(waitFor([&] { return installed.log().contains("QMXLauncher " + kNextLauncherVersion); }))
            << installed.log().toStdString();
        EXPECT_EQ(launcherFilesOf(target), launcherFilesOf(newLauncher));
        const auto newRun = [&] { return installed.log().section("QMXLauncher " + kNextLauncherVersion, 1); };
        EXPECT_TRUE(waitFor([&] { return newRun().contains("parsing update info success."); }));
        closeLauncherIn(root.dir());
        EXPECT_FALSE(newRun().contains("Exiting for self update"));
    }

    const QString entry = root.outside("/home/player/.config/QMXLauncher/registry/HKEY_CURRENT_USER/")
        + install::WriteUninstallRegistry::keyPath(g_launcherProduct).replace('\\', '/') + "/values.reg";
    EXPECT_TRUE(QFileInfo::exists(entry)) << "the replacement wrote no uninstall entry";
    {
        SCOPED_TRACE("--uninstall: stage 1 hands over to a copy, which removes the rest");
        const QString temp = root.outside("/home/player/.local/share/Temp");
        QProcess* run = installed.start({"--uninstall"});
        EXPECT_EQ(Installation::exitCode(run), 0);
        EXPECT_TRUE(waitUntilNoProcessBelow(root.dir(), 60000)) << "stage 2 did not end";
        // The copy stage 1 made removes itself once it is done.
        EXPECT_TRUE(QFileInfo(temp).isDir()) << "stage 1 made no copy";
        EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        // Only the emptied subfolders stay.
        for (const QFileInfo& entry : QDir(target).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            EXPECT_TRUE(entry.isDir() && QDir(entry.filePath()).isEmpty()) << entry.fileName().toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(entry));
    }
}

} // namespace
