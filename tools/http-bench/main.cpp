// http-bench URL OUTPUT [ROUNDS]
//
// Downloads URL into OUTPUT with net::HttpConnection::download (with a
// progress sink, as the update engine sets one) and with "curl -s -o",
// alternating, ROUNDS times each (3 by default), and prints the wall times
// and the peak resident memory of both. OUTPUT is removed at the end.

#include "net/HttpConnection.h"
#include "net/IHttpProgress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

class CountingProgress : public net::IHttpProgress
{
public:
    void httpProgress(net::HttpConnection*, qint64, qint64 current) override
    {
        ++reports;
        last = current;
    }
    qint64 reports = 0;
    qint64 last = 0;
};

// Peak resident set of this process so far, in KiB.
long peakKiB(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

// User plus system CPU seconds of this process or of its ended children.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: http-bench URL OUTPUT [ROUNDS]\n");
        return 2;
    }
    const QUrl url(args.at(1));
    const QString output = args.at(2);
    const int rounds = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 3;
    QTextStream out(stdout);

    const long peakBefore = peakKiB(RUSAGE_SELF);
    std::vector<double> ours, theirs, ourCpu, theirCpu;
    qint64 size = 0;
    for (int i = 0; i < rounds; ++i) {
        QFile::remove(output);
        QElapsedTimer timer;
        timer.start();
        const double childCpu = cpuSeconds(RUSAGE_CHILDREN);
        QProcess curl;
        curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), output, url.toString()});
        if (!curl.waitForFinished(-1) || curl.exitCode() != 0) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        theirs.push_back(timer.nsecsElapsed() / 1e9);
        theirCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - childCpu);

        QFile::remove(output);
        CountingProgress progress;
        auto connection = net::createHttpConnection();
        connection->m_progress = &progress;
        const double selfCpu = cpuSeconds(RUSAGE_SELF);
        timer.restart();
        if (!connection->download(url, output, {})) {
            std::fprintf(stderr, "download failed\n");
            return 1;
        }
        ours.push_back(timer.nsecsElapsed() / 1e9);
        ourCpu.push_back(cpuSeconds(RUSAGE_SELF) - selfCpu);
        size = QFileInfo(output).size();
        out << QStringLiteral("round %1: curl %2 s (CPU %3 s), download %4 s (CPU %5 s, %6 progress reports)\n")
                   .arg(i + 1)
                   .arg(theirs.back(), 0, 'f', 3)
                   .arg(theirCpu.back(), 0, 'f', 3)
                   .arg(ours.back(), 0, 'f', 3)
                   .arg(ourCpu.back(), 0, 'f', 3)
                   .arg(progress.reports);
        out.flush();
    }
    QFile::remove(output);

    const double mib = size / 1048576.0;
    out << QStringLiteral("size: %1 MiB\n").arg(mib, 0, 'f', 1);
    out << QStringLiteral("median curl: %1 s (%2 MiB/s)\n").arg(median(theirs), 0, 'f', 3).arg(mib / median(theirs), 0, 'f', 0);
    out << QStringLiteral("median download: %1 s (%2 MiB/s), %3% of curl's time\n")
               .arg(median(ours), 0, 'f', 3)
               .arg(mib / median(ours), 0, 'f', 0)
               .arg(100.0 * median(ours) / median(theirs), 0, 'f', 1);
    out << QStringLiteral("median CPU: curl %1 s, download %2 s\n")
               .arg(median(theirCpu), 0, 'f', 3)
               .arg(median(ourCpu), 0, 'f', 3);
    out << QStringLiteral("peak RSS: this process %1 KiB before the transfers, %2 KiB after; curl %3 KiB\n")
               .arg(peakBefore)
               .arg(peakKiB(RUSAGE_SELF))
               .arg(peakKiB(RUSAGE_CHILDREN));
    return 0;
}
