#include "core/Log.h"
#include "tests/support/TestEnvironment.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QDateTime at(int msec)
{
    return QDateTime(QDate(2018, 6, 20), QTime(10, 11, 12, msec), Qt::LocalTime);
}

struct LineCase
{
    int level;
    int msec;
    QString message;
    QString expected;
};

TEST(Log, FormatsTheFixedLineShape)
{
    const LineCase cases[] = {
        // tag padded to 15, time padded to 25, unpadded milliseconds
        {Log::Info, 7, "hello", "info            2018-06-20T10:11:12.7     hello"},
        {Log::Info, 70, "x", "info            2018-06-20T10:11:12.70    x"},
        {Log::Critical, 700, "x", "crit            2018-06-20T10:11:12.700   x"},
        {Log::Debug, 0, "x", "debg            2018-06-20T10:11:12.0     x"},
        {Log::Warning, 5, "x", "warn            2018-06-20T10:11:12.5     x"},
        // unknown levels have an empty tag, still padded
        {9, 5, "x", "                2018-06-20T10:11:12.5     x"},
        // an empty message leaves the separating space
        {Log::Info, 5, "", "info            2018-06-20T10:11:12.5     "},
        // line feeds become "#", every other control character its escape
        {Log::Info, 5, "a\nb\r\nc\n", "info            2018-06-20T10:11:12.5     a#b\\x0d#c#"},
        {Log::Info, 5, QString::fromUtf8("\x1b[2J\t\x7f\xc2\x9b\x07|") + QChar(0) + "|",
         "info            2018-06-20T10:11:12.5     \\x1b[2J\\x09\\x7f\\x9b\\x07|\\x00|"},
        // what merely looks like one, and letters beyond ASCII, stay
        {Log::Info, 5, QString::fromUtf8("\\x1b C:\\Temp \xc3\xa9\xe4\xb8\xad \xc2\xa0"),
         QString::fromUtf8("info            2018-06-20T10:11:12.5     \\x1b C:\\Temp \xc3\xa9\xe4\xb8\xad \xc2\xa0")},
        // placeholders in the message are not substituted
        {Log::Info, 5, "%1 and %2 and %4", "info            2018-06-20T10:11:12.5     %1 and %2 and %4"},
    };
    for (const LineCase& c : cases)
        EXPECT_EQ(Log::formatLine(at(c.msec), c.level, c.message), c.expected) << c.message.toStdString();
}

TEST(Log, ThresholdDecidesWhatIsWritten)
{
    Log* log = Log::instance();
    log->setLevel(Log::Info);
    log->critical("c1");
    log->info("i1");
    log->debug("d1");
    log->setLevel(Log::Debug);
    log->debug("d2");
    log->setLevel(Log::Critical);
    log->info("i3");
    log->critical("c3");

    QStringList messages;
    for (const QString& line : testsupport::logLines())
        messages << line.mid(42);
    EXPECT_EQ(messages, QStringList({"c1", "i1", "d2", "c3"}));
}

TEST(Log, OpenAppendsAndClosedLogDropsLines)
{
    const QString path = testsupport::rootDir() + "/other.txt";
    testsupport::writeFile(path, "earlier line\n");

    Log* log = Log::instance();
    ASSERT_FALSE(log->open(testsupport::rootDir() + "/missing/dir/log.txt"));
    log->info("dropped"); // no file open: nothing happens
    ASSERT_TRUE(log->open(path));
    log->info("later line");

    const QStringList lines = QString::fromUtf8(testsupport::readFile(path)).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "earlier line");
    EXPECT_TRUE(lines[1].startsWith("info ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" later line"));
}

TEST(Log, ConcurrentWritersNeverMixLines)
{
    const int perThread = 2000;
    const QString a(300, 'a');
    const QString b(300, 'b');
    auto writer = [perThread](QString text) {
        return QThread::create([perThread, text] {
            for (int i = 0; i < perThread; ++i)
                Log::instance()->info(text);
        });
    };
    std::unique_ptr<QThread> t1(writer(a));
    std::unique_ptr<QThread> t2(writer(b));
    t1->start();
    t2->start();
    t1->wait();
    t2->wait();

    int countA = 0, countB = 0;
    for (const QString& line : testsupport::logLines()) {
        const QString message = line.mid(42);
        if (message == a)
            ++countA;
        else if (message == b)
            ++countB;
        else
            ADD_FAILURE() << "mixed line: " << line.left(80).toStdString();
    }
    EXPECT_EQ(countA, perThread);
    EXPECT_EQ(countB, perThread);
}

} // namespace
