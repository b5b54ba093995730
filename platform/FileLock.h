#pragma once

#include <QString>

namespace platform {

// Takes the exclusive lock of an open file, waiting at most timeoutMs for
// another holder to let go. The descriptor must be open for writing: the
// lock is an open-file-description lock over the whole file (F_OFD_SETLK),
// which NFS grants only on such descriptors, and which behaves alike on
// every file system here. Each open of a file is a holder of its own, also
// within one process. Such a lock goes with the process: one that is killed
// holds nothing.
bool lockExclusively(int fd, int timeoutMs);
// The same without waiting: false at once when another holder has it.
bool tryLockExclusively(int fd);

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
