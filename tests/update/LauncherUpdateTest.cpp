// The starting side of the self-update: a newer launcher in the manifest is
// downloaded, unpacked into "UpdateTemp/<id>" and started there with the
// hand-over arguments. The published launcher is the tests' stand-in, which
// records how it was started.

#include "tests/update/UpdateFixture.h"

#include "core/Paths.h"
#include "core/ProcessUtils.h"
#include "core/ProductInfo.h"
#include "tests/support/StandInLauncher.h"
#include "tests/support/TestEnvironment.h"
#include "update/AutoUpdate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <functional>

namespace updatetest {
namespace {

using testsupport::appDir;
using testsupport::logContains;

const QString kId = "qmx_launcher_full_99.0.0";
const QString kName = kId + ".7z";

class LauncherUpdateTest : public UpdateJobTest
{
protected:
    void SetUp() override
    {
        UpdateJobTest::SetUp();
        m_launcherDir = testsupport::rootDir() + "/new launcher";
        m_launcherVersion = Version(99, 0, 0);
        testsupport::writeStandInLauncher(m_launcherDir + "/QMXLauncher.exe");
        testsupport::writeFile(m_launcherDir + "/libQt5Core.so.5", "a runtime file");
    }
};

TEST_F(LauncherUpdateTest, StartsTheNewCopyOrEndsWithTheStepsCode)
{
    const QString unpacked = appDir() + "/UpdateTemp/" + kId;
    const QString program = unpacked + "/QMXLauncher.exe";
    const QStringList arguments = {"--update", "--path", appFilePath(), "--pid", QString::number(currentProcessId())};
    const QString commandLine = program + " " + arguments.join(' ');
    const struct {
        const char* what;
        std::function<void()> setUp;
        int result;
        QString line;
    } cases[] = {
        {"the new copy is started", [] {}, UpdateDone, "Starting updater: " + commandLine},
        {"no content for this machine",
         [&] {
             m_release.launcherContents.first().platform = "linux";
             writeManifest();
         },
         ErrUpdateContentNotFound, "Launcher update content not found"},
        {"a content that is not newer than this launcher",
         [&] {
             m_release.launcherContents.first().versionTo = g_launcherProduct.version;
             writeManifest();
         },
         ErrUpdateContentNotFound,
         "Launcher update content is not newer: " + kName + " version: " + g_launcherProduct.version.toString()
             + " running: " + g_launcherProduct.version.toString()},
        {"a content older than this launcher",
         [&] {
             m_release.launcherContents.first().versionTo = Version(1, 0, 0);
             writeManifest();
         },
         ErrUpdateContentNotFound,
         "Launcher update content is not newer: " + kName + " version: 1.0.0 running: "
             + g_launcherProduct.version.toString()},
        {"the archive is not on the server", [&] { QFile::remove(m_server->root() + "/" + kName); },
         ErrUpdateDownloadFailed, "Launcher update content download failed: " + kName},
        {"the archive is not 7z", [&] { testsupport::writeFile(m_server->root() + "/" + kName, "not an archive"); },
         ErrUpdateFailedToUnpack,
         "Launcher update content unpack failed: " + kName + " at path " + appDir() + "/Update/" + kName
             + " to path " + appDir() + "/UpdateTemp/" + kId},
        {"the archive holds no launcher",
         [&] {
             const QString dir = testsupport::rootDir() + "/no launcher";
             testsupport::writeFile(dir + "/libQt5Core.so.5", "a runtime file");
             ASSERT_TRUE(publish::makeArchive(dir, m_server->root() + "/" + kName, 1));
         },
         ErrUpdateFailedToStart, "Updater failed to start: " + commandLine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(appDir() + "/Update").removeRecursively();
        QDir(appDir() + "/UpdateTemp").removeRecursively();
        // A newer game too, which the job must leave alone.
        publish({Version(1, 2, 0)});
        c.setUp();
        testsupport::clearLog();

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, c.result);
        EXPECT_TRUE(logContains(c.line)) << c.line.toStdString();
        EXPECT_TRUE(job.installed().isEmpty());
        EXPECT_TRUE(QDir(gameDirPath()).isEmpty());
        EXPECT_FALSE(logContains("Game version: "));
        if (c.result == ErrUpdateContentNotFound) {
            EXPECT_FALSE(QFileInfo::exists(appDir() + "/Update/" + kName)) << "nothing is downloaded";
        }
        if (c.result != UpdateDone) {
            EXPECT_FALSE(job.events.contains("exitAppToUpdate"));
            EXPECT_FALSE(testsupport::standInStart(unpacked).started);
            continue;
        }

        EXPECT_EQ(job.events.mid(job.events.size() - 2), QStringList({"exitAppToUpdate", "finish:0"}));
        EXPECT_TRUE(logContains("Launcher update unpacked: " + kName + " to " + appDir() + "/UpdateTemp/" + kId));
        EXPECT_TRUE(logContains("Exiting for self update"));
        const testsupport::StandInStart started = testsupport::waitForStandInStart(unpacked);
        ASSERT_TRUE(started.started) << "the new copy did not run";
        EXPECT_EQ(started.program, program);
        EXPECT_EQ(started.arguments, arguments);
        EXPECT_NE(started.pid, currentProcessId());
        // The new copy runs from there: it stays.
        EXPECT_TRUE(QFileInfo::exists(appDir() + "/UpdateTemp/" + kId + "/libQt5Core.so.5"));
    }
}

// A content whose launcher is not the version the manifest promises: the
// copy replaces the installed executable, and the launcher that restarts is
// still the old version. It does not hand over to that version again, also
// as a new engine after the restart, but a higher version is taken. A copy
// that did not replace the executable has brought nothing: that hand-over
// is tried again.
TEST_F(LauncherUpdateTest, AContentThatIsNotTheVersionItPromisesIsHandedOverOnce)
{
    const QString installed = appDir() + "/QMXLauncher.exe";
    const QString running = g_launcherProduct.version.toString();
    const auto handsOver = [&](int expected) {
        const QString unpacked = appDir() + "/UpdateTemp/qmx_launcher_full_" + m_launcherVersion.toString();
        QFile::remove(unpacked + "/started.txt");
        testsupport::clearLog();
        AutoUpdate::destroyInstance(); // as after a restart
        const int before = m_server->requests().size();
        const JobRecord job = runJob();
        EXPECT_EQ(job.result, expected);
        EXPECT_EQ(job.events.contains("exitAppToUpdate"), expected == UpdateDone);
        EXPECT_EQ(testsupport::waitForStandInStart(unpacked, expected == UpdateDone ? 10000 : 300).started,
                  expected == UpdateDone);
        int archiveRequests = 0;
        const QList<QJsonObject> requests = m_server->requests();
        for (int i = before; i < requests.size(); ++i)
            archiveRequests += requests.at(i).value("path").toString().endsWith(".7z");
        EXPECT_EQ(archiveRequests > 0, expected == UpdateDone);
        EXPECT_TRUE(QDir(gameDirPath()).isEmpty());
    };
    // What the copy does to the installed executable: a new file in its place.
    const auto replaceExecutable = [&] {
        testsupport::writeFile(installed + ".new", "the replaced launcher");
        ASSERT_TRUE(QFile::remove(installed));
        ASSERT_TRUE(QFile::rename(installed + ".new", installed));
    };
    testsupport::writeFile(installed, "the installed launcher");
    publish({Version(1, 2, 0)});

    {
        SCOPED_TRACE("the first hand-over");
        handsOver(UpdateDone);
    }
    {
        SCOPED_TRACE("a copy that replaced nothing: again");
        handsOver(UpdateDone);
    }
    replaceExecutable();
    for (const char* what : {"the restarted launcher", "a retry"}) {
        SCOPED_TRACE(what);
        handsOver(ErrUpdateFailedToStart);
        const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
        ASSERT_EQ(criticals.size(), 1) << criticals.join('\n').toStdString();
        EXPECT_TRUE(criticals.first().endsWith("Launcher update did not bring the promised version: " + kName
                                               + " promised: 99.0.0 running: " + running))
            << criticals.first().toStdString();
    }
    {
        SCOPED_TRACE("a higher version");
        m_launcherVersion = Version(99, 0, 1);
        publish({Version(1, 2, 0)});
        handsOver(UpdateDone);
    }
}

} // namespace
} // namespace updatetest
