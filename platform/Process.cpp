#include "platform/Process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace platform {
namespace {

// Marks every descriptor but the standard three close-on-exec. Libraries
// open some inheritable (the BitTorrent session's sockets): a program the
// launcher starts, such as the game, would otherwise keep the launcher's
// listening port for as long as it runs. The launcher never hands a
// descriptor on to a program it starts.
void closeOnExecAbove2()
{
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    // Kernels before 5.11: one by one.
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == ::dirfd(dir))
            continue;
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags != -1)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
    ::closedir(dir);
}

// A zombie has ended; it only waits for its parent to collect it.
bool isZombie(int processId)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() && text.at(close + 2) == 'Z';
}

bool processExists(int processId)
{
    return ::kill(processId, 0) == 0 || errno == EPERM;
}

// Kernels without pidfd: look every few milliseconds.
bool pollUntilGone(int processId, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (!isProcessRunning(processId))
            return true;
        if (timer.elapsed() >= timeoutMs)
            return false;
        const timespec pause{0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

} // namespace

int currentProcessId()
{
    return int(::getpid());
}

QString currentExecutablePath()
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

bool waitForProcess(int processId, int timeoutMs)
{
    if (processId <= 0 || !processExists(processId))
        return false;

#ifdef SYS_pidfd_open
    const int fd = int(::syscall(SYS_pidfd_open, processId, 0));
    if (fd < 0) {
        if (errno == ESRCH)
            return false;
        return pollUntilGone(processId, timeoutMs);
    }
    QElapsedTimer timer;
    timer.start();
    bool ended = false;
    for (;;) {
        const qint64 left = qMax<qint64>(0, timeoutMs - timer.elapsed());
        pollfd entry{fd, POLLIN, 0};
        const int rc = ::poll(&entry, 1, int(left));
        if (rc > 0) {
            ended = true;
            break;
        }
        if (rc == 0 || (rc < 0 && errno != EINTR))
            break;
    }
    ::close(fd);
    return ended;
#else
    return pollUntilGone(processId, timeoutMs);
#endif
}

bool isProcessRunning(int processId)
{
    return processId > 0 && processExists(processId) && !isZombie(processId);
}

void terminateCurrentProcess(int exitCode)
{
    std::fflush(nullptr);
    ::_exit(exitCode);
}

bool startDetached(const QString& program, const QStringList& arguments, qint64* processId)
{
    closeOnExecAbove2();
    return QProcess::startDetached(program, arguments, QString(), processId);
}

} // namespace platform
