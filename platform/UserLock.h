#pragma once

#include <QString>

// Named objects that all processes of the current user share, and only
// they: a lock with one holder at a time and a one-byte flag that one
// process owns. They stand in for the named semaphore and shared memory of
// a desktop session elsewhere. A name is a file in the user's runtime folder
// ($XDG_RUNTIME_DIR, else the cache folder below the home), so neither the
// temporary folder nor another user's objects can meet it, and the kernel
// drops a holder's claim when its process ends, however it ends: nothing
// outlives the process that held it. Files are opened close-on-exec, so a
// started program never inherits a claim.
namespace platform {

// The folder that holds the named objects; empty when the user has none
// (no usable runtime folder and no home).
QString userObjectsDir();

class UserLock
{
public:
    explicit UserLock(const QString& name);
    ~UserLock();
    UserLock(const UserLock&) = delete;
    UserLock& operator=(const UserLock&) = delete;

    // Waits until this process holds the lock. False when the lock cannot
    // be made; error() tells why.
    bool acquire();
    void release();

    int error() const { return m_error; }

private:
    QString m_name;
    int m_fd = -1;
    int m_error = 0;
};

class UserFlag
{
public:
    explicit UserFlag(const QString& name);
    ~UserFlag();
    UserFlag(const UserFlag&) = delete;
    UserFlag& operator=(const UserFlag&) = delete;

    // True when a live process owns the flag; this one may then set it.
    bool attach();
    // Makes this process the owner, with the flag cleared. False when
    // another process owns it or the flag cannot be made; error() tells why.
    bool create();
    // Whether attach or create succeeded.
    bool isAttached() const { return m_fd >= 0; }

    // Raises the flag for its owner.
    bool set();
    // For the owner: whether the flag was raised; a raised flag is lowered.
    bool takeRaised();

    int error() const { return m_error; }

private:
    void close();

    QString m_name;
    int m_fd = -1;
    int m_error = 0;
};

} // namespace platform
