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
#include <QMap>
#include <QRegularExpression>

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

// The files in a folder, hidden ones too, with their contents.
QMap<QString, QByteArray> filesIn(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        files.insert(name, testsupport::readFile(dir + "/" + name));
    return files;
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
        bool commit;      // the list ran to its end before the rollback
    } cases[] = {
        {"a new file in a new subfolder", true, "", true, "new version", false},
        {"over an existing file: the rollback puts it back", true, "old version", true, "new version", false},
        {"over an existing file, committed", true, "old version", true, "new version", true},
        {"a missing source: the old file stays", false, "old version", false, "old version", false},
        {"a missing source and no old file", false, "", false, "", false},
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
        EXPECT_TRUE(testsupport::logContains(QString("CopyFileJob: %1/%2; result %3").arg(dst, name).arg(int(c.result))));
        if (c.commit)
            job->commit();
        // The file it replaced is kept beside it until the rollback or the
        // commit, and only then.
        const bool keeps = c.result && !c.oldContent.isEmpty() && !c.commit;
        EXPECT_EQ(filesIn(dst + "/platforms").size(), (c.after.isEmpty() ? 0 : 1) + (keeps ? 1 : 0))
            << "no temporary file stays";

        // The rollback puts back what the copy replaced, or deletes the
        // file; the subfolder stays.
        EXPECT_EQ(job->rollback(), !c.after.isEmpty());
        EXPECT_EQ(testsupport::readFile(dst + "/" + name), keeps ? c.oldContent : QByteArray());
        EXPECT_EQ(filesIn(dst + "/platforms").size(), keeps ? 1 : 0);
        EXPECT_TRUE(QFileInfo(dst + "/platforms").isDir());
        if (!keeps) {
            EXPECT_FALSE(job->rollback());
            EXPECT_TRUE(testsupport::logContains(QString("CopyFileJob Rollback: %1/%2; result 0").arg(dst, name)));
        }
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
    // The uninstall's rollback, of a job that did not execute, deletes the
    // key when it describes the installation being removed, and only then.
    const InstallJobPtr uninstall = makeUninstallRegistryJob(g_launcherProduct, "title");
    for (const char* path : {"/opt/games/Q4", "", "/opt/my games/../my games/"}) {
        SCOPED_TRACE(path);
        InstallOptions options;
        options.m_path = path;
        uninstall->setOptions(options);
        const bool describes = QString(path).contains("my games");
        EXPECT_EQ(uninstall->rollback(), describes);
        EXPECT_EQ(entryExists(), !describes);
    }
    EXPECT_FALSE(uninstall->rollback());
}

// The entry is written as one change: one that fails leaves no half of it,
// neither a new key with its first values nor another installation's entry
// with some of them replaced.
TEST_F(InstallJobs, AFailedEntryChangesNothing)
{
    const QString key = WriteUninstallRegistry::keyPath(g_launcherProduct);
    const QList<platform::RegistryValue> other = expectedEntry("/o", "/o/QMXLauncher.exe");
    // Room for the first four values of the entry, not for all nine.
    const qint64 cap = prepareEntry(4);
    for (const bool otherEntry : {false, true}) {
        SCOPED_TRACE(otherEntry ? "another installation's entry" : "no entry yet");
        platform::deleteRegistryKey(key);
        QByteArray before;
        if (otherEntry) {
            ASSERT_EQ(platform::writeRegistryKey(key, other), platform::RegistrySuccess);
            before = testsupport::readFile(testsupport::registryKeyFile(key));
        }

        const InstallJobPtr job = makeUninstallRegistryJob(g_launcherProduct, "title");
        InstallOptions options;
        options.m_path = target();
        job->setOptions(options);
        {
            testsupport::FileSizeLimit limit(cap);
            EXPECT_FALSE(job->execute());
        }
        EXPECT_EQ(job->failure(), "cannot write the uninstall entry: result 29");
        EXPECT_EQ(entryExists(), otherEntry);
        EXPECT_EQ(testsupport::readFile(testsupport::registryKeyFile(key)), before);
    }
}

TEST_F(InstallJobs, TheEntryRollbackPutsBackTheEntryItReplaced)
{
    const QString key = WriteUninstallRegistry::keyPath(g_launcherProduct);
    const QList<platform::RegistryValue> other = expectedEntry("/o", "/o/QMXLauncher.exe");
    ASSERT_EQ(platform::writeRegistryKey(key, other), platform::RegistrySuccess);
    const QByteArray before = testsupport::readFile(testsupport::registryKeyFile(key));
    const InstallJobPtr job = makeUninstallRegistryJob(g_launcherProduct, "title");
    InstallOptions options;
    options.m_path = target();
    job->setOptions(options);

    ASSERT_TRUE(job->execute());
    EXPECT_EQ(storedEntry(), expectedEntry(target(), target() + "/QMXLauncher.exe"));
    EXPECT_TRUE(job->rollback());
    EXPECT_EQ(testsupport::readFile(testsupport::registryKeyFile(key)), before);

    // Once committed there is nothing to put back: a rollback deletes the
    // key, as the uninstall's does.
    ASSERT_TRUE(job->execute());
    job->commit();
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
