#include "tests/support/OtherUser.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <cerrno>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How a start of the guard's probe program is made: changes replace
// variables of the test's environment (an empty value removes one).
struct Start
{
    QMap<QString, QString> changes;
    bool umask002 = false;  // the default umask of Fedora and others
    bool otherUser = false; // a process of another user, drawing offscreen
};

// One run of the guard's probe program (SingleAppProbe.cpp), by default as a
// start of the user of the test: the probes of a test share its home and
// runtime folder, while each has a temporary folder of its own, where it
// keeps its log.
class Probe
{
public:
    explicit Probe(const Start& start = {})
    {
        static int count = 0;
        m_tmp = testsupport::rootDir() + QStringLiteral("/tmp%1").arg(++count);
        QDir().mkpath(m_tmp);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", m_tmp);
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        QMap<QString, QString> changes = start.changes;
        if (start.otherUser) {
            // The test's folders are not the other user's to enter.
            for (const char* name : {"HOME", "TMPDIR", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "DISPLAY"})
                changes.insert(name, QString());
            changes.insert("QT_QPA_PLATFORM", "offscreen");
        }
        for (auto it = changes.begin(); it != changes.end(); ++it) {
            if (it.value().isEmpty())
                env.remove(it.key());
            else
                env.insert(it.key(), it.value());
        }
        m_process.setProcessEnvironment(env);
        const bool umask002 = start.umask002;
        const bool otherUser = start.otherUser;
        m_process.setChildSetup([umask002, otherUser] {
            if (umask002)
                ::umask(002);
            if (otherUser)
                testsupport::becomeOtherUser();
        });
        m_process.start(QStringLiteral(LAUNCHER_SINGLE_APP_PROBE), QStringList{m_tmp + "/log.txt"});
    }

    ~Probe()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
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

    // What the probe became: "first", "second", or empty when it said
    // neither in time.
    QByteArray role()
    {
        if (waitForLine("first") || waitForLine("second", 0))
            return count("first") ? "first" : "second";
        return QByteArray();
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

    // The critical lines of its log.
    QStringList criticals() const
    {
        return QString::fromUtf8(testsupport::readFile(m_tmp + "/log.txt")).split('\n').filter(QRegularExpression("^crit "));
    }

private:
    QString m_tmp;
    testsupport::ChildSetupProcess m_process;
    QByteArray m_output;
};

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

// The end of a process drops its claim, also when it could not clean up.
TEST(SingleApp, AStartAfterTheFirstHasEndedAtOnceBecomesTheFirst)
{
    const struct {
        const char* how;
        std::function<void(Probe&)> end;
    } ends[] = {
        {"killed", [](Probe& probe) { probe.killHard(); }},
        // As PLAY and the close question end the launcher.
        {"terminated", [](Probe& probe) {
             probe.send("end");
             EXPECT_EQ(probe.waitForExit(), 0);
         }},
    };
    for (const auto& e : ends) {
        SCOPED_TRACE(e.how);
        auto ended = std::make_unique<Probe>();
        ASSERT_TRUE(ended->waitForLine("first"));
        e.end(*ended);
        ended.reset();

        Probe next;
        ASSERT_TRUE(next.waitForLine("first")) << next.lines().join(' ').toStdString();
        // It owns the guard as fully as any first instance.
        expectALaterStartWakes(next);
    }
}

// The guard is the user's: every start of the user meets it, whatever its
// environment (an ssh or su shell has no runtime folder or another one,
// and another temporary folder), and another user's launcher never does.
TEST(SingleApp, TheGuardBelongsToTheUserWhateverTheEnvironment)
{
    const QString elsewhere = testsupport::rootDir() + "/elsewhere";
    QDir().mkpath(elsewhere + "/runtime");
    QFile::setPermissions(elsewhere + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QMap<QString, QString> noRuntime{{"XDG_RUNTIME_DIR", ""}};
    // A home whose cache folder a start would have to make.
    QDir().mkpath(elsewhere + "/fresh-home");
    const QMap<QString, QString> freshHome{
        {"XDG_RUNTIME_DIR", ""}, {"XDG_CACHE_HOME", ""}, {"HOME", elsewhere + "/fresh-home"}};

    const struct {
        const char* what;
        Start first;
        Start later;
        QByteArray laterRole;
    } cases[] = {
        {"each start with its own temporary folder", {}, {}, "second"},
        {"a later start without a runtime folder", {}, {noRuntime}, "second"},
        {"a later start with another runtime folder", {}, {{{"XDG_RUNTIME_DIR", elsewhere + "/runtime"}}}, "second"},
        {"a later start with another home", {},
         {{{"HOME", elsewhere + "/home"}, {"XDG_CACHE_HOME", elsewhere + "/home/.cache"}}}, "second"},
        {"no runtime folder nor cache folder, under umask 002", {freshHome, true}, {freshHome, true}, "second"},
        {"another user", {}, {{}, false, true}, "first"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Probe first(c.first);
        ASSERT_EQ(first.role(), "first");
        Probe later(c.later);
        EXPECT_EQ(later.role(), c.laterRole) << later.lines().join(' ').toStdString();
        EXPECT_EQ(later.close(), 0);
        if (c.laterRole == "second") {
            EXPECT_TRUE(first.waitForLine("activated"));
        }
        EXPECT_EQ(first.close(), 0);
        EXPECT_EQ(first.criticals(), QStringList());
    }
}

// Where the guard truly cannot be taken (here a process of another user
// holds its name), the start runs as the first instance and says so once.
TEST(SingleApp, AGuardThatCannotBeTakenWritesOneCriticalLine)
{
    testsupport::OtherUserSocket holder(testsupport::OtherUserSocket::Holds,
                                        "ru.qmxgame.appmem." + QByteArray::number(qulonglong(::getuid())));
    ASSERT_TRUE(holder.isReady());
    Probe start;
    EXPECT_EQ(start.role(), "first");
    EXPECT_EQ(start.close(), 0);
    const QStringList criticals = start.criticals();
    ASSERT_EQ(criticals.size(), 1);
    EXPECT_TRUE(criticals[0].endsWith("SingleApp create failed: " + QString::number(EPERM))) << criticals[0].toStdString();
}

} // namespace
