// Unpacks one archive with unpackArchive and with "7zz x", each in a child
// process of its own, and prints wall time and peak resident memory of both.
//
//   archive-bench <archive.7z> <work-dir> [rounds]
//
// The two outputs are compared file by file after each round, then removed.
// run.sh prepares a suitable archive from the system's shared libraries.

#include "content/archive/ExtractArchive.h"
#include "content/archive/SevenZipLibrary.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTextStream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    bool ok = false;
    double seconds = 0;
    double peakMiB = 0;
};

// Starts program with arguments and waits for it; its own rusage gives the
// peak memory.
Run measure(const QStringList& command)
{
    std::vector<QByteArray> storage;
    for (const QString& part : command)
        storage.push_back(QFile::encodeName(part));
    std::vector<char*> argv;
    for (QByteArray& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);

    Run run;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0)
        return run;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.peakMiB = usage.ru_maxrss / 1024.0; // kB on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

QMap<QString, QByteArray> digestTree(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(&file);
        tree.insert(QDir(root).relativeFilePath(path), hash.result());
    }
    return tree;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    // The child that does the unpacking, with the plug-in that the launcher
    // carries (a bench has no launcher folder). Its log says why it failed.
    if (args.size() == 4 && args[1] == QLatin1String("--unpack")) {
        sevenzip::setLibraryPathForTests(QStringLiteral(LAUNCHER_7Z_PLUGIN));
        Log::instance()->setLevel(Log::Critical);
        Log::instance()->open(args[3] + QStringLiteral(".log"));
        return unpackArchive(args[2], args[3], nullptr) ? 0 : 1;
    }

    if (args.size() < 3) {
        std::fprintf(stderr, "usage: archive-bench <archive.7z> <work-dir> [rounds]\n");
        return 2;
    }
    const QString archive = args[1];
    const QString work = args[2];
    const int rounds = std::max(1, args.size() > 3 ? args[3].toInt() : 5);
    const QString ours = work + QStringLiteral("/unpackArchive");
    const QString reference = work + QStringLiteral("/7zz");

    QTextStream out(stdout);
    out << QStringLiteral("%1 bytes of archive\n").arg(QFile(archive).size());
    out << "round  tool           seconds  peak MiB\n";
    bool same = true;
    bool failed = false;
    std::vector<double> sevenZipTimes, unpackTimes;
    double sevenZipPeak = 0, unpackPeak = 0;
    for (int round = 1; round <= rounds; ++round) {
        QDir(ours).removeRecursively();
        QDir(reference).removeRecursively();
        const Run sevenZip = measure({QStringLiteral("7zz"), QStringLiteral("x"), QStringLiteral("-y"),
                                      QStringLiteral("-bd"), QStringLiteral("-bso0"), QStringLiteral("-o") + reference, archive});
        const Run unpack = measure({app.applicationFilePath(), QStringLiteral("--unpack"), archive, ours});
        out << QStringLiteral("%1      7zz x        %2  %3%4\n")
                   .arg(round).arg(sevenZip.seconds, 7, 'f', 2).arg(sevenZip.peakMiB, 8, 'f', 1)
                   .arg(sevenZip.ok ? "" : "  FAILED");
        out << QStringLiteral("%1      unpackArchive %2  %3%4\n")
                   .arg(round).arg(unpack.seconds, 7, 'f', 2).arg(unpack.peakMiB, 8, 'f', 1)
                   .arg(unpack.ok ? "" : "  FAILED");
        out.flush();
        QFile log(ours + QStringLiteral(".log"));
        if (!unpack.ok && log.open(QIODevice::ReadOnly))
            std::fprintf(stderr, "%s", log.readAll().constData());
        log.remove();
        failed = failed || !sevenZip.ok || !unpack.ok;
        sevenZipTimes.push_back(sevenZip.seconds);
        unpackTimes.push_back(unpack.seconds);
        sevenZipPeak = std::max(sevenZipPeak, sevenZip.peakMiB);
        unpackPeak = std::max(unpackPeak, unpack.peakMiB);
        if (round == 1 && digestTree(ours) != digestTree(reference)) {
            out << "outputs differ\n";
            same = false;
        }
    }
    QDir(ours).removeRecursively();
    QDir(reference).removeRecursively();
    const double sevenZipMedian = median(sevenZipTimes);
    const double unpackMedian = median(unpackTimes);
    out << QStringLiteral("median: 7zz x %1 s, unpackArchive %2 s, ratio %3; peak: 7zz x %4 MiB, unpackArchive %5 MiB\n")
               .arg(sevenZipMedian, 0, 'f', 2).arg(unpackMedian, 0, 'f', 2)
               .arg(unpackMedian / sevenZipMedian, 0, 'f', 3)
               .arg(sevenZipPeak, 0, 'f', 1).arg(unpackPeak, 0, 'f', 1);
    if (failed)
        std::fprintf(stderr, "archive-bench: an unpack failed, the figures mean nothing\n");
    return same && !failed ? 0 : 1;
}
