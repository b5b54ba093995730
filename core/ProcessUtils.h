#pragma once

#include <QString>
#include <QStringList>

// Starts a program detached, with no working directory of its own. The path
// is handed over as it is, so a path with spaces starts that one program.
bool startDetachedQuoted(const QString& program, const QStringList& arguments);

// Waits up to timeoutMs for another process to end: false at once when it
// does not exist, true as soon as it ends, false after the time-out.
bool waitForProcess(int processId, int timeoutMs);
// Whether another process still runs (false once it has ended).
bool isProcessRunning(int processId);

int currentProcessId();

QString appendChar(const QString& text, char c);
QString prependChar(char c, const QString& text);
