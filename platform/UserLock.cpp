#include "platform/UserLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// A folder only this user can change: another user who could put files
// there could hold a name and keep the launcher from starting.
bool isOwnPrivateDir(const QByteArray& path)
{
    struct stat info;
    if (!path.startsWith('/') || ::stat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

QByteArray cacheDir()
{
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (cache.startsWith('/'))
        return cache;
    const QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/'))
        return QByteArray();
    return home + "/.cache";
}

// The object's file, opened for reading and writing; -1 with *error set
// when it cannot be.
int openObject(const QString& name, int extraFlags, int* error)
{
    const QString dir = userObjectsDir();
    if (dir.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'))) {
        *error = ENOENT;
        return -1;
    }
    const QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + name);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | extraFlags, 0600);
    *error = fd < 0 ? errno : 0;
    return fd;
}

bool lockFile(int fd, int operation)
{
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

QString userObjectsDir()
{
    // Made for each login by the system and only the user's.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (isOwnPrivateDir(runtime))
        return QFile::decodeName(runtime);
    const QByteArray cache = cacheDir();
    if (cache.isEmpty())
        return QString();
    QDir().mkpath(QFile::decodeName(cache));
    return isOwnPrivateDir(cache) ? QFile::decodeName(cache) : QString();
}

UserLock::UserLock(const QString& name)
    : m_name(name)
{
}

UserLock::~UserLock()
{
    release();
}

bool UserLock::acquire()
{
    if (m_fd >= 0)
        return true;
    const int fd = openObject(m_name, O_CREAT, &m_error);
    if (fd < 0)
        return false;
    if (!lockFile(fd, LOCK_EX)) {
        m_error = errno;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void UserLock::release()
{
    if (m_fd < 0)
        return;
    ::close(m_fd); // drops the lock
    m_fd = -1;
}

// The owner holds an exclusive lock on the flag's file for as long as it
// lives; the others only open the file, so a shared lock that they can take
// means there is no owner.
UserFlag::UserFlag(const QString& name)
    : m_name(name)
{
}

UserFlag::~UserFlag()
{
    close();
}

void UserFlag::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool UserFlag::attach()
{
    close();
    const int fd = openObject(m_name, 0, &m_error);
    if (fd < 0)
        return false;
    if (lockFile(fd, LOCK_SH | LOCK_NB)) {
        m_error = 0;
        ::close(fd);
        return false;
    }
    m_error = errno;
    if (m_error != EWOULDBLOCK) {
        ::close(fd);
        return false;
    }
    m_error = 0;
    m_fd = fd;
    return true;
}

bool UserFlag::create()
{
    close();
    const int fd = openObject(m_name, O_CREAT, &m_error);
    if (fd < 0)
        return false;
    // A raise that a start left for the last owner is not for this one.
    const char cleared = 0;
    if (!lockFile(fd, LOCK_EX | LOCK_NB) || ::ftruncate(fd, 1) != 0 || ::pwrite(fd, &cleared, 1, 0) != 1) {
        m_error = errno;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool UserFlag::set()
{
    const char raised = 1;
    if (m_fd < 0 || ::pwrite(m_fd, &raised, 1, 0) != 1) {
        m_error = m_fd < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool UserFlag::takeRaised()
{
    char value = 0;
    if (m_fd < 0 || ::pread(m_fd, &value, 1, 0) != 1 || value != 1)
        return false;
    // A raise between the read and this write is answered with this one,
    // which is what several starts between two looks should get.
    const char cleared = 0;
    ::pwrite(m_fd, &cleared, 1, 0);
    return true;
}

} // namespace platform
