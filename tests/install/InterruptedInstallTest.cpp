// Installs cut short and installs at once, each install a process of its
// own (install_probe) with the test's home, XDG folders and a TMPDIR of its
// own; some on a file system that behaves as FAT or NFS do.

#include "core/Paths.h"
#include "install/InstallJournal.h"
#include "install/LauncherFiles.h"
#include "platform/FileLock.h"
#include "tests/install/InstallFixture.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Hidden entries below a folder: what installs and writes keep aside.
QStringList hiddenEntries(const QString& root)
{
    QStringList hidden;
    const QMap<QString, QString> tree = testsupport::describeTree(root);
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (it.key().section('/', -1).startsWith('.'))
            hidden << it.key();
    }
    return hidden;
}

class InterruptedInstallTest : public InstallFixture
{
protected:
    // Every launcher file of the source folder as of a version.
    void publish(const QByteArray& version) const
    {
        for (const QString& name : install::launcherFileNames()) {
            QFile::remove(source() + "/" + name);
            testsupport::writeFile(source() + "/" + name, version + " of " + name.toUtf8() + "\n");
        }
    }

    // An install probe; shim names the file system it sees, empty for this one.
    void startProbe(QProcess& probe, const QStringList& arguments, const QString& shim) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString tmp = testsupport::rootDir() + "/tmp";
        QDir().mkpath(tmp);
        environment.insert("TMPDIR", tmp);
        if (!shim.isEmpty()) {
            environment.insert("FILE_SYSTEM_SHIM", shim);
            environment.insert("LD_PRELOAD", LAUNCHER_FILE_SYSTEM_SHIM);
            // A sanitizer build's runtime would want to be loaded first.
            environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        }
        probe.setProcessEnvironment(environment);
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(LAUNCHER_INSTALL_PROBE, QStringList{testsupport::rootDir() + "/probe-log.txt"} + arguments);
        ASSERT_TRUE(probe.waitForStarted(10000));
    }

    int runProbe(const QStringList& arguments, const QString& shim = QString()) const
    {
        QProcess probe;
        startProbe(probe, arguments, shim);
        if (!probe.waitForFinished(60000)) {
            probe.kill();
            probe.waitForFinished(5000);
            return -1;
        }
        return probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -1;
    }

    int install(const QString& into, const QString& shim = QString()) const
    {
        return runProbe({"install", source(), into}, shim);
    }
};

// A re-install over an installation is killed between keeping the old files
// and committing: a launcher file of the source is a pipe that gives a few
// bytes and then nothing, so the copy stops there, half of it written. The
// next install into the folder, or the next start of the launcher there,
// puts the old installation back whole, with nothing hidden left, also
// when that install then fails itself; an install that succeeds leaves the
// new one whole. On a file system without hard links the old files are
// kept as copies; with locks as NFS takes them every lock is taken on a
// descriptor opened for writing.
TEST_F(InterruptedInstallTest, ACutOffReinstallIsRolledBackFirst)
{
    const QStringList names = install::launcherFileNames();
    const int blocked = names.size() / 2;
    const QString blockedName = names.at(blocked);
    publish("v2");
    const QString reference = testsupport::rootDir() + "/Reference";
    ASSERT_EQ(install(reference), 0);
    const QMap<QString, QString> newTree = testsupport::describeTree(reference);

    const struct {
        const char* what;
        const char* shim;
        bool thenStart; // the launcher starts there, instead of an install that fails
    } cases[] = {
        {"a local disk, then an install that fails", "", false},
        {"a local disk, then a start of the launcher there", "", true},
        {"no hard links, then an install that fails", "no-hard-links", false},
        {"no hard links, then a start of the launcher there", "no-hard-links", true},
        {"locks as NFS takes them, then an install that fails", "nfs-locks", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString into = testsupport::rootDir() + QString("/Games %1/QMX_EN").arg(++n);
        publish("v1");
        ASSERT_EQ(install(into, c.shim), 0);
        const QMap<QString, QString> oldTree = testsupport::describeTree(into);
        const QMap<QString, QString> oldHome = testsupport::describeTree(testsupport::homeDir());

        publish("v2");
        const QString pipe = source() + "/" + blockedName;
        QFile::remove(pipe);
        ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        QProcess cutOff;
        startProbe(cutOff, {"install", source(), into}, c.shim);
        int feed = -1;
        QElapsedTimer timer;
        timer.start();
        while ((feed = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0
               && timer.elapsed() < 20000 && cutOff.state() == QProcess::Running)
            QThread::msleep(5);
        ASSERT_GE(feed, 0) << "the install did not reach the pipe";
        ASSERT_EQ(::write(feed, "partial", 7), 7);
        const QString blockedDir = QFileInfo(into + "/" + blockedName).absolutePath();
        const auto halfWritten = [&] {
            for (const QString& entry : QDir(blockedDir).entryList(QDir::Files | QDir::Hidden)) {
                if (entry.startsWith("." + QFileInfo(blockedName).fileName() + ".tmp-")
                    && QFileInfo(blockedDir + "/" + entry).size() == 7)
                    return true;
            }
            return false;
        };
        while (!halfWritten() && timer.elapsed() < 20000)
            QThread::msleep(5);
        cutOff.kill();
        ASSERT_TRUE(cutOff.waitForFinished(10000));
        ::close(feed);
        ASSERT_TRUE(halfWritten());
        // Cut off in the middle: new files before the pipe, old ones after,
        // and the old one still under the name of the file being copied.
        ASSERT_EQ(testsupport::readFile(into + "/" + names.first()), "v2 of " + names.first().toUtf8() + "\n");
        ASSERT_EQ(testsupport::readFile(into + "/" + names.last()), "v1 of " + names.last().toUtf8() + "\n");
        EXPECT_EQ(testsupport::readFile(into + "/" + blockedName), "v1 of " + blockedName.toUtf8() + "\n");
        publish("v2");

        if (c.thenStart) {
            EXPECT_EQ(runProbe({"start", into}, c.shim), 0);
        } else {
            // This install fails itself, near the end of the list.
            ASSERT_TRUE(QFile::remove(source() + "/" + names.at(names.size() - 3)));
            EXPECT_EQ(install(into, c.shim), 1);
            publish("v2");
        }
        EXPECT_EQ(testsupport::describeTree(into), oldTree);
        EXPECT_EQ(testsupport::describeTree(testsupport::homeDir()), oldHome);

        EXPECT_EQ(install(into, c.shim), 0);
        EXPECT_EQ(testsupport::describeTree(into), newTree);
        EXPECT_EQ(hiddenEntries(into), QStringList());
        EXPECT_EQ(hiddenEntries(testsupport::homeDir() + "/.local/share/applications"), QStringList());
    }
}

// Two installs write the uninstall entry at the same time, over and over:
// whatever each reads back is the whole entry of one installation.
TEST_F(InterruptedInstallTest, TwoInstallsWriteTheEntryAtOnce)
{
    const QString first = testsupport::rootDir() + "/Games/First";
    const QString second = testsupport::rootDir() + "/Games/Second";
    QProcess a;
    QProcess b;
    startProbe(a, {"entry", first, "150"}, QString());
    startProbe(b, {"entry", second, "150"}, QString());
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    EXPECT_EQ(a.readAllStandardOutput(), "0 mixed\n");
    EXPECT_EQ(b.readAllStandardOutput(), "0 mixed\n");
    const QList<platform::RegistryValue> entry = storedEntry();
    EXPECT_TRUE(entry == expectedEntry(first, first + "/QMXLauncher.exe")
                || entry == expectedEntry(second, second + "/QMXLauncher.exe"));
}

// The journal as a cut-off install leaves it, read by the next start: a
// journal whose list had run is finished, a line the crash cut off counts
// as not written, a path outside the installation and its shortcut folders
// is never touched, and a journal that a live install holds stays its own.
TEST_F(InterruptedInstallTest, TheNextStartReadsTheJournal)
{
    const QString folder = target();
    const QString tag = "Ab12Cd";
    const QString file = folder + "/libQt5Core.so.5";
    const QString kept = folder + "/.libQt5Core.so.5.kept-" + tag;
    const QString other = folder + "/libQt5Gui.so.5";
    const QString outside = testsupport::rootDir() + "/Mine/notes.txt";
    const QString outsideKept = testsupport::rootDir() + "/Mine/.notes.txt.kept-" + tag;
    const QString journal = folder + "/" + install::InstallJournal::fileName();
    const auto change = [](const QString& path) {
        return "{\"existed\":true,\"file\":\"" + path.toUtf8() + "\"}\n";
    };
    const QByteArray header = "{\"tag\":\"" + tag.toUtf8() + "\"}\n" + change(outside);
    const struct {
        const char* what;
        QByteArray journal;
        bool live;
        QByteArray file;  // what the file holds afterwards
        bool keptStays;
    } cases[] = {
        {"the list had run: what was kept goes", header + change(file) + "{\"commit\":true}\n", false, "new", false},
        {"cut off: the old file comes back", header + change(file), false, "old", false},
        {"the last line cut off", header + change(file) + change(other).left(20), false, "old", false},
        {"a live install's journal", header + change(file), true, "new", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::writeFile(file, "new");
        testsupport::writeFile(kept, "old");
        testsupport::writeFile(other, "other");
        testsupport::writeFile(outside, "mine");
        testsupport::writeFile(outsideKept, "mine too");
        testsupport::writeFile(journal, c.journal);
        int live = -1;
        if (c.live) {
            live = ::open(QFile::encodeName(journal).constData(), O_RDWR | O_CLOEXEC);
            ASSERT_TRUE(platform::tryLockExclusively(live));
        }

        install::finishInterruptedInstall(folder);
        EXPECT_EQ(testsupport::readFile(file), c.file);
        EXPECT_EQ(QFileInfo::exists(kept), c.keptStays);
        EXPECT_EQ(QFileInfo::exists(journal), c.live);
        EXPECT_EQ(testsupport::readFile(other), "other");
        EXPECT_EQ(testsupport::readFile(outside), "mine");
        EXPECT_EQ(testsupport::readFile(outsideKept), "mine too");
        if (live >= 0)
            ::close(live);
        QFile::remove(kept);
        QFile::remove(journal);
    }
}

} // namespace
