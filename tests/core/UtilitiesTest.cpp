#include "core/Format.h"
#include "core/Localization.h"
#include "core/ProcessUtils.h"
#include "core/Tasks.h"
#include "core/TickTimer.h"
#include "tests/support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSemaphore>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(Format, SizesAndRatesAtTheUnitBoundaries)
{
    ASSERT_TRUE(setLanguage("en_US"));
    const qint64 KB = 1024, MB = 1024 * KB, GB = 1024 * MB;
    const struct {
        qint64 value;
        QString size;
    } cases[] = {
        {0, "0 bytes"},
        {-5, "-5 bytes"},
        {1024, "1024 bytes"}, // a quotient of exactly 1.0 is not more than one kB
        {1025, "1 kB"},
        {MB, "1024 kB"},
        {MB + MB / 2, "1.5 MB"},
        {GB, "1024.0 MB"},
        {GB + 64, "1024.0 MB"}, // single precision still rounds to 1.0 GB here
        {GB + 65, "1.00 GB"},
        {5 * GB + GB / 4, "5.25 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatSize(c.value), c.size) << c.value;
    EXPECT_EQ(formatRate(2048), "2 kB/s");
    EXPECT_EQ(formatRate(100), "100 bytes/s");
    EXPECT_EQ(formatRate(3 * MB), "3.0 MB/s");
    EXPECT_EQ(formatRate(2 * GB), "2.00 GB/s");

    ASSERT_TRUE(setLanguage("zh_CN"));
    EXPECT_NE(formatSize(0), "0 bytes"); // the unit follows the language
}

TEST(TickTimer, ElapsedAcrossTheWrap)
{
    EXPECT_EQ(TickTimer::ticksBetween(4294967040u, 256u), 512);
    EXPECT_EQ(TickTimer::ticksBetween(100u, 100u), 0);
    EXPECT_EQ(TickTimer::ticksBetween(0u, 4294967295u), 4294967295LL);

    TickTimer timer;
    QThread::msleep(30);
    EXPECT_GE(timer.elapsed(), 25);
    timer.restart();
    EXPECT_LT(timer.elapsed(), 25);
}

TEST(Tasks, RunAsyncRunsOnThePool)
{
    QSemaphore done;
    QThread* ranOn = nullptr;
    runAsync([&] {
        ranOn = QThread::currentThread();
        done.release();
    });
    ASSERT_TRUE(done.tryAcquire(1, 10000));
    EXPECT_NE(ranOn, QThread::currentThread());
}

class WaitForProcess : public ::testing::Test
{
protected:
    qint64 startSleeper(double seconds)
    {
        qint64 pid = 0;
        EXPECT_TRUE(QProcess::startDetached("sleep", {QString::number(seconds)}, QString(), &pid));
        return pid;
    }
};

TEST_F(WaitForProcess, MissingEndingAndLingeringProcesses)
{
    QElapsedTimer timer;

    // A finished process: its id no longer names anything.
    QProcess done;
    done.start("true", QStringList());
    ASSERT_TRUE(done.waitForFinished());
    const qint64 gone = done.processId() ? done.processId() : 999999;
    timer.start();
    EXPECT_FALSE(waitForProcess(int(gone), 30000));
    EXPECT_FALSE(waitForProcess(0, 30000));
    EXPECT_LT(timer.elapsed(), 1000);

    // A process that ends within the time: true as soon as it ends.
    const qint64 shortOne = startSleeper(0.4);
    timer.restart();
    EXPECT_TRUE(waitForProcess(int(shortOne), 30000));
    EXPECT_GE(timer.elapsed(), 250);
    EXPECT_LT(timer.elapsed(), 5000);

    // A process that keeps running: false after the time-out.
    const qint64 longOne = startSleeper(30);
    timer.restart();
    EXPECT_FALSE(waitForProcess(int(longOne), 300));
    EXPECT_GE(timer.elapsed(), 290);
    EXPECT_LT(timer.elapsed(), 5000);
    QProcess::execute("kill", {QString::number(longOne)});
}

// One program, whatever its path holds, and none of the launcher's open
// descriptors (a BitTorrent session's sockets are inheritable) goes with it.
TEST(ProcessUtils, StartDetachedStartsOneProgramWithNothingInherited)
{
    const QString dir = testsupport::rootDir() + "/dir with space";
    const QString marker = testsupport::rootDir() + "/ran";
    const QString program = testsupport::writeFile(
        dir + "/my tool", "#!/bin/sh\nls -l /proc/$$/fd > \"$MARKER.fds\"\necho \"$@\" > \"$MARKER\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("MARKER", marker.toUtf8());
    const QString held = testsupport::writeFile(testsupport::rootDir() + "/held open", "x");
    const int inheritable = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_GE(inheritable, 3);

    ASSERT_TRUE(startDetachedQuoted(program, {"-region", "EN"}));
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(marker) && timer.elapsed() < 10000)
        QThread::msleep(20);
    QThread::msleep(50);
    EXPECT_EQ(testsupport::readFile(marker), "-region EN\n");
    EXPECT_FALSE(testsupport::readFile(marker + ".fds").contains("held open"));
    EXPECT_TRUE(testsupport::readFile(marker + ".fds").contains("ran.fds")); // the listing ran
    ::close(inheritable);
    EXPECT_FALSE(startDetachedQuoted(dir + "/missing", {}));

    EXPECT_EQ(appendChar("abc", '/'), "abc/");
    EXPECT_EQ(prependChar('"', "abc"), "\"abc");
}

} // namespace
