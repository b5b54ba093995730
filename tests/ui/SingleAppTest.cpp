#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace {

// One run of the guard's probe program (SingleAppProbe.cpp). Every probe of a
// test shares a temporary folder of that test, which holds the keys of the
// system objects, so that tests running side by side do not meet.
class Probe
{
public:
    Probe()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", ipcDir());
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(LAUNCHER_SINGLE_APP_PROBE), QStringList());
    }

    ~Probe()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    static QString ipcDir()
    {
        const QString dir = testsupport::rootDir() + "/ipc";
        QDir().mkpath(dir);
        return dir;
    }

    qint64 pid() const { return m_process.processId(); }

    void send(const QByteArray& command) { m_process.write(command + "\n"); }

    // Waits, at most timeoutMs, for a line that starts with prefix.
    bool waitForLine(const QByteArray& prefix, int timeoutMs = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            for (const QByteArray& line : lines()) {
                if (line.startsWith(prefix))
                    return true;
            }
            if (timer.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(50);
        }
    }

    QList<QByteArray> lines()
    {
        m_output += m_process.readAllStandardOutput();
        QList<QByteArray> result = m_output.split('\n');
        result.removeAll(QByteArray());
        return result;
    }

    int count(const QByteArray& prefix)
    {
        int n = 0;
        for (const QByteArray& line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

    // The exit code once the process ended by itself; -1 when it did not
    // within the time or crashed.
    int waitForExit(int timeoutMs = 30000)
    {
        if (m_process.state() != QProcess::NotRunning)
            m_process.waitForFinished(timeoutMs);
        if (m_process.state() != QProcess::NotRunning || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        lines();
        return m_process.exitCode();
    }

    // Ends a first instance the way it ends normally.
    int close()
    {
        m_process.closeWriteChannel();
        return waitForExit();
    }

    void killHard()
    {
        ::kill(pid_t(pid()), SIGKILL);
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// The files in the probes' temporary folder that name the guard's system
// objects.
QStringList keyFiles()
{
    return QDir(Probe::ipcDir()).entryList({"qipc_*"}, QDir::Files);
}

// The System V key that a file of that folder names.
key_t keyOf(const QString& fileName)
{
    return ::ftok(QFile::encodeName(Probe::ipcDir() + "/" + fileName).constData(), 'Q');
}

// The id of the segment that a key names now, or -1.
int segmentOf(key_t key)
{
    return key == -1 ? -1 : ::shmget(key, 0, 0);
}

// Asked by id, not by key: once its key file is gone, the key can name a
// segment of another test whose new file got the same inode.
bool segmentExists(int id)
{
    struct shmid_ds info;
    return id != -1 && ::shmctl(id, IPC_STAT, &info) != -1;
}

// A later start ends as the second instance and wakes the first one's
// window; then the first ends normally.
void expectALaterStartWakes(Probe& first)
{
    Probe later;
    EXPECT_EQ(later.waitForExit(), 0) << later.lines().join(' ').toStdString();
    EXPECT_EQ(later.count("second"), 1);
    EXPECT_TRUE(first.waitForLine("activated"));
    EXPECT_EQ(first.close(), 0);
}

// Polls stay a second apart; waiting this long sees at least two of them.
const int kTwoPollsMs = 2500;

TEST(SingleApp, OfTwoStartsAtTheSameMomentOneRunsAndTheOtherEnds)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<Probe>> probes;
        probes.emplace_back(new Probe);
        probes.emplace_back(new Probe);
        for (auto& probe : probes)
            ASSERT_TRUE(probe->waitForLine("first", 15000) || probe->waitForLine("second", 0));
        const int firstIndex = probes[0]->count("first") == 1 ? 0 : 1;
        Probe& first = *probes[firstIndex];
        Probe& second = *probes[1 - firstIndex];
        EXPECT_EQ(first.count("first"), 1);
        EXPECT_EQ(second.count("second"), 1);
        EXPECT_EQ(second.waitForExit(), 0);
        // The later one asked for the window, the first one woke it.
        EXPECT_TRUE(first.waitForLine("activated"));
        // Ending normally frees the guard for the next round.
        EXPECT_EQ(first.close(), 0);
    }
}

TEST(SingleApp, SeveralStartsBetweenTwoPollsWakeTheWindowOnce)
{
    Probe first;
    ASSERT_TRUE(first.waitForLine("first"));
    first.send("other");
    ASSERT_TRUE(first.waitForLine("other active"));
    // No poll runs while the first instance is busy; the later starts all
    // happen meanwhile.
    first.send("stall");
    ASSERT_TRUE(first.waitForLine("stalling"));
    std::vector<std::unique_ptr<Probe>> later;
    for (int i = 0; i < 3; ++i)
        later.emplace_back(new Probe);
    for (auto& probe : later) {
        EXPECT_EQ(probe->waitForExit(), 0) << probe->lines().join(' ').toStdString();
        EXPECT_EQ(probe->count("second"), 1);
    }
    first.send("resume");
    ASSERT_TRUE(first.waitForLine("resumed"));
    ASSERT_TRUE(first.waitForLine("activated"));
    QTest::qWait(kTwoPollsMs);
    QList<QByteArray> activations;
    for (const QByteArray& line : first.lines()) {
        if (line.startsWith("activated"))
            activations << line;
    }
    EXPECT_EQ(activations, QList<QByteArray>{"activated 1"});
    EXPECT_EQ(first.close(), 0);
}

TEST(SingleApp, AStartWhileAModalDialogIsOpenStillWakesTheWindow)
{
    Probe first;
    ASSERT_TRUE(first.waitForLine("first"));
    first.send("modal");
    QTest::qWait(200);
    expectALaterStartWakes(first);
}

TEST(SingleApp, AStartAfterTheFirstWasKilledBecomesTheFirst)
{
    auto killed = std::make_unique<Probe>();
    ASSERT_TRUE(killed->waitForLine("first"));
    killed->killHard();
    killed.reset();

    Probe next;
    ASSERT_TRUE(next.waitForLine("first")) << next.lines().join(' ').toStdString();
    // It owns the guard as fully as any first instance.
    expectALaterStartWakes(next);
}

TEST(SingleApp, AnInstanceEndedAtOnceLeavesNoSystemObjectBehind)
{
    Probe first;
    ASSERT_TRUE(first.waitForLine("first"));
    const QStringList segmentFiles = QDir(Probe::ipcDir()).entryList({"qipc_sharedmemory_*"}, QDir::Files);
    ASSERT_EQ(segmentFiles.size(), 1);
    const int segment = segmentOf(keyOf(segmentFiles.first()));
    ASSERT_TRUE(segmentExists(segment));

    first.send("end");
    EXPECT_EQ(first.waitForExit(), 0);
    EXPECT_FALSE(segmentExists(segment));
    EXPECT_TRUE(keyFiles().isEmpty()) << keyFiles().join(' ').toStdString();
}

// A killed process leaves its segment under a key that a new file of the
// temporary folder can name again once the file system hands its inode out
// anew (ext4 does at once). Such an orphan must not make every start a first
// instance.
TEST(SingleApp, AnOrphanUnderTheNewKeyDoesNotSplitTheGuard)
{
    std::vector<int> orphans;
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("scratch%1").arg(i);
        QFile scratch(Probe::ipcDir() + "/" + name);
        ASSERT_TRUE(scratch.open(QIODevice::WriteOnly));
        scratch.close();
        const int id = ::shmget(keyOf(name), 1, IPC_CREAT | IPC_EXCL | 0600);
        if (id != -1)
            orphans.push_back(id);
    }
    for (int i = 0; i < 8; ++i)
        QFile::remove(Probe::ipcDir() + QStringLiteral("/scratch%1").arg(i));

    {
        Probe first;
        ASSERT_TRUE(first.waitForLine("first"));
        expectALaterStartWakes(first);
    }
    for (int id : orphans)
        ::shmctl(id, IPC_RMID, nullptr);
}

} // namespace
