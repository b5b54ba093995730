#include "platform/FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

bool lockExclusively(int fd, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (timer.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(5);
    }
}

FileLock::FileLock(const QString& path, int timeoutMs)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    if (!lockExclusively(fd, timeoutMs)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace platform
