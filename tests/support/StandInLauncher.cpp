#include "tests/support/StandInLauncher.h"

#include "core/ProcessUtils.h"
#include "tests/support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace testsupport {
namespace {

QString recordPath(const QString& dir)
{
    return dir + QStringLiteral("/started.txt");
}

} // namespace

QByteArray standInLauncherScript()
{
    return "#!/bin/sh\n"
           "dir=$(dirname \"$0\")\n"
           "{ echo $$; echo \"$0\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$dir/started.txt.$$\"\n"
           "mv \"$dir/started.txt.$$\" \"$dir/started.txt\"\n";
}

void writeStandInLauncher(const QString& path)
{
    writeFile(path, standInLauncherScript());
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

StandInStart standInStart(const QString& dir)
{
    StandInStart start;
    QFile file(recordPath(dir));
    if (!file.open(QIODevice::ReadOnly))
        return start;
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.size() < 3) // pid, program and the empty piece after the last line feed
        return start;
    lines.removeLast();
    start.started = true;
    start.pid = lines.takeFirst().toLongLong();
    start.program = lines.takeFirst();
    start.arguments = lines;
    return start;
}

StandInStart waitForStandInStart(const QString& dir, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(recordPath(dir)) && timer.elapsed() < timeoutMs)
        QThread::msleep(10);
    StandInStart start = standInStart(dir);
    if (start.started)
        waitForProcess(int(start.pid), timeoutMs);
    return start;
}

} // namespace testsupport
