#include "core/Paths.h"
#include "install/CopyFileJob.h"
#include "install/LauncherFiles.h"
#include "install/RemoveUserDataJob.h"
#include "install/WriteUninstallRegistry.h"
#include "tests/install/InstallFixture.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

using namespace install;

namespace {

using InstallJobs = InstallFixture;

TEST_F(InstallJobs, OneJobPerLauncherFileTheExecutableLast)
{
    const QStringList names = launcherFileNames();
    EXPECT_EQ(names.last(), "QMXLauncher.exe");
    EXPECT_EQ(launcherExeName(), "QMXLauncher.exe");
    EXPECT_EQ(launcherIconName(), "QMXLauncher.png");

    // Both directories are made absolute; every job is titled for the files.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(testsupport::rootDir());
    InstallJobList jobs;
    addLauncherFileJobs("app", "/opt/q4", jobs);
    QDir::setCurrent(cwd);
    ASSERT_EQ(jobs.size(), names.size());
    for (int i = 0; i < jobs.size(); ++i) {
        const auto* job = dynamic_cast<CopyFileJob*>(jobs[i].get());
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(job->src(), testsupport::rootDir() + "/app/" + names[i]);
        EXPECT_EQ(job->dst(), "/opt/q4/" + names[i]);
        EXPECT_EQ(job->title(), "Installing files...");
    }
}

TEST_F(InstallJobs, CopyFileReplacesAndRollsBack)
{
    const QString name = "platforms/libqxcb.so";
    const struct {
        const char* what;
        bool haveSource;
        QByteArray oldContent; // empty: no old file
        bool result;
        QByteArray after; // the destination after the copy; empty: none
    } cases[] = {
        {"a new file in a new subfolder", true, "", true, "new version"},
        {"over an existing file", true, "old version", true, "new version"},
        {"a missing source: the old file stays", false, "old version", false, "old version"},
        {"a missing source and no old file", false, "", false, ""},
    };
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString src = testsupport::rootDir() + QString("/src%1").arg(i);
        const QString dst = target() + QString("/case%1").arg(i++);
        if (c.haveSource)
            testsupport::writeFile(src + "/" + name, "new version");
        if (!c.oldContent.isEmpty())
            testsupport::writeFile(dst + "/" + name, c.oldContent);

        const InstallJobPtr job = makeCopyFileJob(name, src, dst, "title");
        EXPECT_EQ(job->execute(), c.result);
        EXPECT_EQ(testsupport::readFile(dst + "/" + name), c.after);
        EXPECT_EQ(QFileInfo::exists(dst + "/" + name), !c.after.isEmpty());
        EXPECT_EQ(QDir(dst + "/platforms").entryList(QDir::Files | QDir::Hidden).size(), c.after.isEmpty() ? 0 : 1)
            << "no temporary file stays";
        EXPECT_TRUE(testsupport::logContains(QString("CopyFileJob: %1/%2; result %3").arg(dst, name).arg(int(c.result))));

        // The rollback deletes the file and nothing restores an old one;
        // the subfolder stays.
        EXPECT_EQ(job->rollback(), !c.after.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(dst + "/" + name));
        EXPECT_TRUE(QFileInfo(dst + "/platforms").isDir());
        EXPECT_FALSE(job->rollback());
        EXPECT_TRUE(testsupport::logContains(QString("CopyFileJob Rollback: %1/%2; result 0").arg(dst, name)));
    }

    // Installing into the folder the launcher runs from copies nothing, and
    // rolling that back removes nothing.
    const QString self = testsupport::writeFile(source() + "/" + name, "running launcher");
    const InstallJobPtr inPlace = makeCopyFileJob(name, source(), source(), "title");
    EXPECT_TRUE(inPlace->execute());
    EXPECT_TRUE(inPlace->rollback());
    EXPECT_EQ(testsupport::readFile(self), "running launcher");

    // A destination folder that cannot be made: nothing is copied.
    const QString blocker = testsupport::writeFile(testsupport::rootDir() + "/blocker", "a file");
    const InstallJobPtr job = makeCopyFileJob(name, source(), blocker, "title");
    EXPECT_FALSE(job->execute());
    EXPECT_TRUE(testsupport::logContains("makepath FAIL: " + blocker + "/platforms"));
    EXPECT_EQ(testsupport::readFile(blocker), "a file");
}

TEST_F(InstallJobs, UninstallEntryKeepsThePathAsGiven)
{
    const struct {
        QString path, location, executable;
    } cases[] = {
        {"/opt/games/Q4/", "/opt/games/Q4/", "/opt/games/Q4/QMXLauncher.exe"},
        {"/opt/games/Q4", "/opt/games/Q4", "/opt/games/Q4/QMXLauncher.exe"},
        // A path with spaces is not quoted in "UninstallString".
        {"/opt/my games", "/opt/my games", "/opt/my games/QMXLauncher.exe"},
    };
    const InstallJobPtr job = makeUninstallRegistryJob(g_launcherProduct, "title");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        InstallOptions options;
        options.m_path = c.path;
        job->setOptions(options);
        // Run twice: the second run opens the existing key and replaces the values.
        EXPECT_TRUE(job->execute());
        EXPECT_TRUE(job->execute());
        EXPECT_EQ(storedEntry(), expectedEntry(c.location, c.executable));
    }
    EXPECT_EQ(WriteUninstallRegistry::keyPath(g_launcherProduct),
              "Software\\MIcrosoft\\Windows\\CurrentVersion\\Uninstall\\com.qmxgame.qmx_launcher_en");
    EXPECT_TRUE(job->rollback());
    EXPECT_FALSE(entryExists());
    EXPECT_FALSE(job->rollback());
}

TEST_F(InstallJobs, AFailingValueEndsTheEntryAndKeepsTheOnesBefore)
{
    const qint64 fourValues = prepareEntry(4);
    const InstallJobPtr job = makeUninstallRegistryJob(g_launcherProduct, "title");
    InstallOptions options;
    options.m_path = target();
    job->setOptions(options);
    {
        testsupport::FileSizeLimit limit(fourValues); // the fifth value does not fit
        EXPECT_FALSE(job->execute());
    }
    EXPECT_EQ(storedEntry(), expectedEntry(target(), target() + "/QMXLauncher.exe").mid(0, 4));
    EXPECT_TRUE(job->rollback());
    EXPECT_FALSE(entryExists());
}

TEST_F(InstallJobs, UserDataRollbackDeletesPlainFiles)
{
    const QString data = specialFolderPath(SpecialFolder::ProductData, false);
    testsupport::writeFile(data + "a.json", "{}");
    testsupport::writeFile(data + "b.txt", "b");
    testsupport::writeFile(data + "cache/c", "c");

    const InstallJobPtr job = makeRemoveUserDataJob("title");
    EXPECT_TRUE(job->execute());
    EXPECT_TRUE(QFileInfo::exists(data + "a.json"));

    // A subfolder is not deleted, so the folder stays.
    EXPECT_TRUE(job->rollback());
    const QStringList lines = testsupport::logLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith("RemoveUserDataJob: a.json result 1"));
    EXPECT_TRUE(lines[1].endsWith("RemoveUserDataJob: b.txt result 1"));
    EXPECT_TRUE(lines[2].endsWith("RemoveUserDataJob: cache result 0"));
    EXPECT_EQ(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"cache"}));

    // Once empty, the folder goes with its empty parent.
    QDir(data + "cache").removeRecursively();
    EXPECT_TRUE(job->rollback());
    EXPECT_FALSE(QFileInfo::exists(data));
    EXPECT_FALSE(QFileInfo::exists(testsupport::homeDir() + "/.config/Ostrevan"));
}

} // namespace
