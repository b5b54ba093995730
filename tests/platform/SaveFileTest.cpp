#include "platform/Registry.h"
#include "platform/SaveFile.h"
#include "platform/ShellLink.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QFileDevice::Permissions kPlayersMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
    | QFileDevice::ReadGroup;

// The hidden entries of a folder: the temporary files of writes among them.
QStringList hiddenEntries(const QString& dir)
{
    QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    entries.sort();
    QStringList hidden;
    for (const QString& entry : entries) {
        if (entry.startsWith('.'))
            hidden << entry;
    }
    return hidden;
}

// A link at a destination that the launcher writes, pointing at a file of
// the player's outside the launcher's folders: the link is replaced by the
// new file, and the player's file keeps its bytes and its mode.
TEST(SaveFile, ALinkAtTheDestinationIsReplacedNotItsTarget)
{
    const QString registryKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\com.example.app";
    const QString source = testsupport::writeFile(testsupport::rootDir() + "/source/libQt5Core.so.5", "launcher file");
    const struct {
        const char* what;
        QString destination;
        std::function<bool(const QString&)> write;
        QByteArray startOfNew;
        QByteArray mine = "the player's own file\n"; // what the link points to
    } cases[] = {
        {"the settings", testsupport::appDir() + "/QMXLauncher.conf",
         [](const QString& path) { return saveWholeFile(path, "{}\n") == QFileDevice::NoError; }, "{}\n"},
        {"a desktop entry", testsupport::homeDir() + "/Desktop/Quillmere 4.desktop",
         [](const QString& path) { return createShellLink("/opt/q4/QMXLauncher.exe", path, "/opt/q4/QMXLauncher.png") == 0; },
         "[Desktop Entry]\n"},
        {"a launcher file", testsupport::rootDir() + "/Install Dir/libQt5Core.so.5",
         [&source](const QString& path) { return copyWholeFile(source, path) == QFileDevice::NoError; },
         "launcher file"},
        {"the registry store", testsupport::registryKeyFile(registryKey),
         [&registryKey](const QString&) {
             RegistryKey key;
             return key.create(registryKey) == RegistrySuccess && key.setText("DisplayName", "Q4") == RegistrySuccess;
         },
         "[HKEY_CURRENT_USER\\", "[a file the store reads as a key without values]\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString victim = testsupport::writeFile(testsupport::rootDir() + QString("/outside/mine%1").arg(++n), c.mine);
        ASSERT_TRUE(QFile::setPermissions(victim, kPlayersMode));
        QDir().mkpath(QFileInfo(c.destination).absolutePath());
        QFile::remove(c.destination);
        ASSERT_TRUE(QFile::link(victim, c.destination));

        EXPECT_TRUE(c.write(c.destination));
        const QFileInfo written(c.destination);
        EXPECT_FALSE(written.isSymLink());
        EXPECT_TRUE(written.isFile());
        EXPECT_TRUE(testsupport::readFile(c.destination).startsWith(c.startOfNew));
        EXPECT_EQ(testsupport::readFile(victim), c.mine);
        EXPECT_EQ(QFileInfo(victim).permissions(), kPlayersMode);
        EXPECT_EQ(hiddenEntries(written.absolutePath()), QStringList());
    }
}

// A write that is killed half way leaves its temporary file behind. The next
// write of that file removes it, but never the file of a write that a live
// process is still making, and nothing that only looks like one.
TEST(SaveFile, TheLeftoverOfAKilledWriteGoesWithTheNextOne)
{
    const QString dir = testsupport::appDir();
    const QString path = dir + "/QMXLauncher.conf";
    ASSERT_EQ(saveWholeFile(path, "old"), QFileDevice::NoError);
    const QStringList others = {".QMXLauncher.conf.tmp-Ab1", ".log.txt.tmp-Ab12Cd", "QMXLauncher.conf.backup",
                                ".QMXLauncher.conf.tmp-Ab12C!"};
    for (const QString& other : others)
        testsupport::writeFile(dir + "/" + other, "not a leftover of this file");

    // Another process copies into the file from a pipe that gives it a few
    // bytes and then nothing: its write stays open until it is killed.
    const QByteArray pipe = QFile::encodeName(testsupport::rootDir() + "/slow source");
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    QProcess writer;
    writer.start(LAUNCHER_PLATFORM_PROBE, {"copy", QFile::decodeName(pipe), path});
    int feed = -1;
    QElapsedTimer timer;
    timer.start();
    while ((feed = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && timer.elapsed() < 10000)
        QThread::msleep(5);
    ASSERT_GE(feed, 0) << "the writer did not open its source";
    ASSERT_EQ(::write(feed, "partial", 7), 7);
    QString live;
    while (live.isEmpty() && timer.elapsed() < 20000) {
        for (const QString& entry : hiddenEntries(dir)) {
            if (temporaryFileTarget(entry) == "QMXLauncher.conf" && QFileInfo(dir + "/" + entry).size() == 7)
                live = entry;
        }
        QThread::msleep(5);
    }
    ASSERT_FALSE(live.isEmpty()) << "the writer's temporary file did not appear";

    EXPECT_EQ(saveWholeFile(path, "written meanwhile"), QFileDevice::NoError);
    EXPECT_TRUE(QFileInfo::exists(dir + "/" + live)) << "a live writer's file was removed";
    EXPECT_EQ(testsupport::readFile(path), "written meanwhile");

    writer.kill();
    EXPECT_TRUE(writer.waitForFinished(10000));
    ::close(feed);
    EXPECT_TRUE(QFileInfo::exists(dir + "/" + live));
    EXPECT_EQ(testsupport::readFile(path), "written meanwhile");

    EXPECT_EQ(saveWholeFile(path, "new"), QFileDevice::NoError);
    EXPECT_FALSE(QFileInfo::exists(dir + "/" + live));
    EXPECT_EQ(testsupport::readFile(path), "new");
    for (const QString& other : others)
        EXPECT_TRUE(QFileInfo::exists(dir + "/" + other)) << other.toStdString();
}

// What a kept file holds survives writes of its file until it is put back
// or let go; a file or a link is kept, nothing is not.
TEST(SaveFile, AKeptFileComesBackAsItWas)
{
    const QString dir = testsupport::rootDir() + "/Install Dir";
    const QString file = testsupport::writeFile(dir + "/libQt5Core.so.5", "old library");
    ASSERT_TRUE(QFile::setPermissions(file, kPlayersMode | QFileDevice::ExeOwner | QFileDevice::ExeUser));
    const QString link = dir + "/Quillmere 4.desktop";
    ASSERT_TRUE(QFile::link("/somewhere/else.desktop", link));
    const QString nothing = dir + "/missing";

    {
        KeptFile kept;
        ASSERT_TRUE(kept.keep(file));
        ASSERT_TRUE(kept.isKept());
        EXPECT_EQ(testsupport::readFile(file), "old library");
        ASSERT_EQ(saveWholeFile(file, "new library"), QFileDevice::NoError);
        ASSERT_EQ(saveWholeFile(file, "newer library"), QFileDevice::NoError);
        EXPECT_EQ(hiddenEntries(dir).size(), 1);
        EXPECT_TRUE(kept.restore());
        EXPECT_FALSE(kept.isKept());
        EXPECT_EQ(testsupport::readFile(file), "old library");
        EXPECT_EQ(QFileInfo(file).permissions(), kPlayersMode | QFileDevice::ExeOwner | QFileDevice::ExeUser);
        EXPECT_EQ(hiddenEntries(dir), QStringList());
    }
    {
        KeptFile kept;
        ASSERT_TRUE(kept.keep(link));
        ASSERT_EQ(saveWholeFile(link, "a new entry"), QFileDevice::NoError);
        EXPECT_TRUE(kept.restore());
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), "/somewhere/else.desktop");
    }
    {
        KeptFile kept;
        EXPECT_TRUE(kept.keep(nothing));
        EXPECT_FALSE(kept.isKept());
        EXPECT_FALSE(kept.restore());
    }
    {
        // Let go: by discard, and with the object.
        KeptFile first;
        ASSERT_TRUE(first.keep(file));
        first.discard();
        KeptFile second;
        ASSERT_TRUE(second.keep(file));
    }
    EXPECT_EQ(testsupport::readFile(file), "old library");
    EXPECT_EQ(hiddenEntries(dir), QStringList());
}

} // namespace
