#pragma once

#include <QString>
#include <QStringList>

namespace testsupport {

// A stand-in for the launcher executable: a shell script that, once started,
// records its process id, its own path and its arguments in "started.txt"
// next to itself and ends. The file appears whole (written aside, then
// renamed), so a reader never sees half of it.
QByteArray standInLauncherScript();
// Writes the script at path, executable.
void writeStandInLauncher(const QString& path);

struct StandInStart
{
    bool started = false;
    qint64 pid = 0;
    QString program;
    QStringList arguments;
};

// Waits up to timeoutMs for a stand-in in dir to record its start, then up
// to as long for that process to end.
StandInStart waitForStandInStart(const QString& dir, int timeoutMs = 10000);
// The record of a stand-in in dir as it is now.
StandInStart standInStart(const QString& dir);

} // namespace testsupport
