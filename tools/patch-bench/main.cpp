// patch-bench: the pieces of the patch benchmark that run.sh times.
//   patch-bench edit OLD NEW EDITS SEED   NEW = OLD with EDITS scattered edits
//   patch-bench decode OLD DELTA OUT      jdiff::applyPatchFiles
//   patch-bench hash FILE                 Patch::fileHash (SHA-1)
//   patch-bench apply GAME PATCH WORK     Patch::load and Patch::apply
// Each measuring command prints one line with its wall time and the
// process's peak resident memory.

#include "content/patch/Patch.h"
#include "content/patch/jdiff/ApplyPatch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

struct Counter : IPatchProgress, jdiff::JDiffProgress
{
    void patchProgress(qint64 done, qint64 total) override
    {
        ++reports;
        last = done;
        this->total = total;
    }
    void jdiffProgress(qint64 patchPos, qint64) override
    {
        ++reports;
        last = patchPos;
    }
    qint64 reports = 0;
    qint64 last = 0;
    qint64 total = 0;
};

void printResult(const char* what, const QElapsedTimer& timer, const QString& detail)
{
    std::printf("%-7s %8.3f s  peak RSS %6.1f MiB  %s\n", what, timer.nsecsElapsed() / 1e9, peakMiB(),
                qPrintable(detail));
}

// Replacements, insertions and deletions of 1 to 1300 random bytes at
// random places, in file order.
int edit(const QString& oldPath, const QString& newPath, int edits, quint32 seed)
{
    QFile in(oldPath);
    QFile out(newPath);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot open the files\n");
        return 1;
    }
    const qint64 size = in.size();
    const uchar* data = in.map(0, size);
    if (!data)
        return 1;
    QRandomGenerator random(seed);
    std::vector<qint64> places;
    for (int i = 0; i < edits; ++i)
        places.push_back(qint64(random.bounded(double(size))));
    std::sort(places.begin(), places.end());

    qint64 at = 0;
    for (qint64 place : places) {
        if (place < at)
            continue;
        out.write(reinterpret_cast<const char*>(data + at), place - at);
        const int length = 1 + int(random.bounded(1300u));
        QByteArray fresh(length, Qt::Uninitialized);
        for (char& c : fresh)
            c = char(random.bounded(256u));
        const int kind = int(random.bounded(3u));
        if (kind != 2) // replace or insert
            out.write(fresh);
        at = kind == 1 ? place : qMin(size, place + length);
    }
    out.write(reinterpret_cast<const char*>(data + at), size - at);
    return out.flush() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const auto arg = [&](int i) { return QFile::decodeName(argv[i]); };
    const char* command = argc > 1 ? argv[1] : "";
    QElapsedTimer timer;
    if (std::strcmp(command, "edit") == 0 && argc == 6)
        return edit(arg(2), arg(3), std::atoi(argv[4]), quint32(std::atoi(argv[5])));
    if (std::strcmp(command, "decode") == 0 && argc == 5) {
        Counter counter;
        timer.start();
        const int result = jdiff::applyPatchFiles(arg(2), arg(3), arg(4), &counter);
        printResult("decode", timer, QString("result %1, %2 reports").arg(result).arg(counter.reports));
        return result;
    }
    if (std::strcmp(command, "hash") == 0 && argc == 3) {
        Counter counter;
        Patch patch(&counter);
        timer.start();
        const QString digest = patch.fileHash(arg(2), QCryptographicHash::Sha1);
        printResult("hash", timer, QString("%1, %2 reports").arg(digest).arg(counter.reports));
        return digest.isEmpty() ? 1 : 0;
    }
    if (std::strcmp(command, "apply") == 0 && argc == 5) {
        Counter counter;
        Patch patch(&counter);
        timer.start();
        const bool ok = patch.load(arg(3)) && patch.apply(arg(2), arg(4));
        printResult("apply", timer,
                    QString("%1, %2 reports, done %3 of %4")
                        .arg(ok ? "ok" : "FAILED")
                        .arg(counter.reports)
                        .arg(counter.last)
                        .arg(counter.total));
        return ok ? 0 : 1;
    }
    std::fprintf(stderr, "usage: see the top of tools/patch-bench/main.cpp\n");
    return 2;
}
