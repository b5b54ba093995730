#include "tests/update/UpdateFixture.h"

#include "core/Localization.h"
#include "tests/support/TestEnvironment.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace updatetest {
namespace {

class ProgressTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(setLanguage("en_US")); }
    void TearDown() override { AutoUpdate::destroyInstance(); }
    AutoUpdate* engine() const { return AutoUpdate::instance(); }
};

TEST_F(ProgressTest, BlockIsClamped)
{
    const struct {
        qint64 total, current;
        qint64 storedTotal, storedCurrent;
    } cases[] = {
        {100, 40, 100, 40},
        {100, 140, 100, 100}, // above the total: the total
        {-5, 3, 0, 0},        // a negative total is 0
        {-1, 5000, 0, 0},     // a download without a declared length
        {0, 0, 0, 0},
        {100, -3, 100, -3},   // a negative current is kept
    };
    for (const auto& c : cases) {
        engine()->setProgress(ProgressDownloading, c.total, c.current);
        const ProgressSnapshot s = engine()->progressSnapshot();
        EXPECT_EQ(s.action, ProgressDownloading);
        EXPECT_EQ(s.total, c.storedTotal) << c.total << "/" << c.current;
        EXPECT_EQ(s.current, c.storedCurrent) << c.total << "/" << c.current;
    }
}

TEST_F(ProgressTest, SinksSetTheirActions)
{
    engine()->httpProgress(nullptr, 10, 5);
    EXPECT_EQ(engine()->progressSnapshot().action, ProgressDownloading);
    engine()->progress(quint64(20), quint64(7));
    EXPECT_EQ(engine()->progressSnapshot().action, ProgressUnpacking);
    EXPECT_EQ(engine()->progressSnapshot().current, 7);
    engine()->patchProgress(3, 30); // done first, then total
    const ProgressSnapshot s = engine()->progressSnapshot();
    EXPECT_EQ(s.action, ProgressInstalling);
    EXPECT_EQ(s.total, 30);
    EXPECT_EQ(s.current, 3);
}

TEST_F(ProgressTest, RateFollowsTheCurrentAmount)
{
    engine()->setProgress(ProgressDownloading, 10000, 1000);
    engine()->updateRate(500);
    EXPECT_EQ(engine()->progressSnapshot().rate, 2000);
    EXPECT_EQ(engine()->progressSnapshot().lastCurrent, 1000);

    engine()->updateRate(1000); // no change for a second
    EXPECT_EQ(engine()->progressSnapshot().rate, 0);

    engine()->setProgress(ProgressDownloading, 10000, 4000);
    engine()->updateRate(0); // no time: 0, and the base stays
    EXPECT_EQ(engine()->progressSnapshot().rate, 0);
    EXPECT_EQ(engine()->progressSnapshot().lastCurrent, 1000);

    engine()->setProgress(ProgressUnpacking, 0, 0); // a new step starts from 0
    engine()->updateRate(1000);
    EXPECT_EQ(engine()->progressSnapshot().rate, -1000);
}

TEST_F(ProgressTest, TimerReportsTheBlock)
{
    QSignalSpy spy(engine(), &AutoUpdate::updateProgress);
    const struct {
        int action;
        qint64 total, current;
        const char* message;
        float progress;
    } cases[] = {
        {ProgressUnpacking, 200, 50, "Unpacking...", 0.25f},
        {ProgressInstalling, 0, 0, "Installing...", 0.0f},
        {ProgressCheckingFiles, 10, 10, "", 1.0f}, // only a torrent names this step
        {ProgressUpdateCheck, 0, 0, "Checking for updates...", 0.0f},
    };
    engine()->startProgressTimer();
    for (const auto& c : cases) {
        engine()->setProgress(c.action, c.total, c.current);
        spy.clear();
        ASSERT_TRUE(spy.wait(2000));
        const QList<QVariant> args = spy.takeFirst();
        EXPECT_EQ(args.at(0).toString(), c.message);
        EXPECT_EQ(args.at(1).toInt(), c.action);
        EXPECT_FLOAT_EQ(args.at(2).toFloat(), c.progress);
        EXPECT_EQ(args.at(3).toLongLong(), c.total);
        EXPECT_EQ(args.at(4).toLongLong(), c.current);
    }
    engine()->stopProgressTimer();
    spy.clear();
    QTest::qWait(700);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(ProgressTest, OneTimerAtATimeAndForeignTimersIgnored)
{
    QSignalSpy spy(engine(), &AutoUpdate::updateProgress);
    engine()->startProgressTimer();
    engine()->startProgressTimer();
    QTest::qWait(1600);
    EXPECT_GE(spy.count(), 2);
    EXPECT_LE(spy.count(), 4); // one 500 ms timer, not two
    engine()->stopProgressTimer();

    const int foreign = engine()->startTimer(20);
    spy.clear();
    QTest::qWait(300);
    engine()->killTimer(foreign);
    EXPECT_EQ(spy.count(), 0);
}

// The actions a job goes through, as the timer reports them.
TEST_F(UpdateJobTest, ActionsFollowTheJobsSteps)
{
    publish({Version(1, 1, 0)}, {{Version(1, 1, 0), Version(1, 2, 0)}});
    // Each step lasts over a second, so that 500 ms ticks see every one.
    setInstallPauseForTests(1100);
    const auto throttle = [this](const QString& path, qint64 size) {
        m_server->setRule(path, QJsonObject{{"rate", double(std::max<qint64>(size / 2, 1))}});
    };
    throttle("/update.json", QFileInfo(m_server->root() + "/update.json").size());
    for (const publish::PublishedContent& content : m_release.contents)
        throttle("/" + content.name, content.size);

    const JobRecord job = runJob();
    ASSERT_EQ(job.result, UpdateDone);
    QList<int> steps;
    for (const ProgressEvent& event : job.progress) {
        if (steps.isEmpty() || steps.last() != event.action)
            steps.append(event.action);
        EXPECT_GE(event.total, 0);
        EXPECT_LE(event.current, event.total);
        EXPECT_GE(event.progress, 0.0f);
        EXPECT_LE(event.progress, 1.0f);
        if (event.total > 0) {
            EXPECT_FLOAT_EQ(event.progress, float(double(event.current) / double(event.total)));
        }
    }
    EXPECT_EQ(steps, QList<int>({ProgressUpdateCheck, ProgressDownloading, ProgressUnpacking, ProgressDownloading,
                                 ProgressUnpacking, ProgressInstalling}));
    for (const ProgressEvent& event : job.progress) {
        if (event.action == ProgressDownloading) {
            EXPECT_EQ(event.message, "Downloading...");
        }
    }
    expectGameIs(Version(1, 2, 0));
}

TEST_F(UpdateJobTest, RateMatchesTheTransfer)
{
    // About 6 MB that does not compress, sent at 1 MB/s.
    QRandomGenerator generator(7);
    QByteArray big(6 << 20, Qt::Uninitialized);
    for (char& byte : big)
        byte = char(generator.bounded(256));
    testsupport::writeFile(versionDir(Version(1, 2, 0)) + "/data/big.pak", big);
    // A fresh install of the full package alone: the one patch does not follow it.
    publish({Version(1, 2, 0)}, {{Version(1, 0, 0), Version(1, 1, 0)}});
    const qint64 rate = 1 << 20;
    m_server->setRule("/qmx_full_1.2.0.7z", QJsonObject{{"rate", double(rate)}});

    const JobRecord job = runJob();
    ASSERT_EQ(job.result, UpdateDone);

    // The real rate: bytes over time between the first and the last tick of
    // the download, as the receiver saw them.
    QList<ProgressEvent> downloading;
    for (const ProgressEvent& event : job.progress) {
        if (event.action == ProgressDownloading)
            downloading.append(event);
    }
    ASSERT_GE(downloading.size(), 6);
    const ProgressEvent& first = downloading.first();
    const ProgressEvent& last = downloading.last();
    const double real = double(last.current - first.current) * 1000.0 / double(last.atMs - first.atMs);

    // Every recomputed rate inside the download, leaving out the first (its
    // second began before the transfer) and the last (it may end inside it).
    QList<qint64> rates;
    for (int i = 1; i < downloading.size(); ++i) {
        if (downloading.at(i).rate != downloading.at(i - 1).rate)
            rates.append(downloading.at(i).rate);
    }
    ASSERT_GE(rates.size(), 3);
    rates = rates.mid(1, rates.size() - 2);
    std::sort(rates.begin(), rates.end());
    const double median = double(rates.at(rates.size() / 2));
    EXPECT_NEAR(median, real, real * 0.2) << "real " << real;
    EXPECT_NEAR(real, double(rate), double(rate) * 0.2);
}

} // namespace
} // namespace updatetest
