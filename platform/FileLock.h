#pragma once

#include <QString>

namespace platform {

// Takes the exclusive advisory lock (flock) of an open file, waiting at most
// timeoutMs for another holder to let go. Such a lock goes with the process:
// one that is killed holds nothing.
bool lockExclusively(int fd, int timeoutMs);

// The exclusive lock of a lock file, created when missing, held while the
// object lives. Processes that take the same lock file take turns.
class FileLock
{
public:
    FileLock(const QString& path, int timeoutMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isLocked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace platform
