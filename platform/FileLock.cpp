#include "platform/FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool tryLockExclusively(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // to the end, however long the file grows
    int result;
    do {
        result = ::fcntl(fd, F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool lockExclusively(int fd, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (tryLockExclusively(fd))
            return true;
        if (errno != EAGAIN && errno != EACCES)
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
