#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Id of the running process.
int currentProcessId();

// The absolute path of the running program's file, also before Qt's
// application object exists (Qt answers only after). Empty when the system
// does not tell.
QString currentExecutablePath();

// Waits for the process with the given id to end. False at once when no
// such process exists; true as soon as it has ended; false when it is still
// running after timeoutMs. The wait sleeps in the kernel, it does not spin.
bool waitForProcess(int processId, int timeoutMs);

// Whether the process with the given id still runs: false once it has
// ended, also while it waits for its parent to collect it.
bool isProcessRunning(int processId);

// Ends the own process at once with the exit code: no event loop, no static
// destructors, no atexit handlers (the log flushes every line, so nothing
// written so far is lost).
[[noreturn]] void terminateCurrentProcess(int exitCode);

// Starts a program detached from this process, with its arguments passed
// one by one (no shell, no quoting). The program path is used as it is, so a
// path with spaces names that one file.
bool startDetached(const QString& program, const QStringList& arguments, qint64* processId = nullptr);

} // namespace platform
