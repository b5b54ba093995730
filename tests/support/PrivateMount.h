#pragma once

#include <QString>

namespace testsupport {

// Moves the calling thread (and the processes and threads it starts from
// then on) into a mount namespace of its own, once per process, with no
// mount event flowing back to the one it came from. False, with the reason,
// where the system does not allow it.
bool enterOwnMountNamespace(QString* error);

// A small tmpfs mounted on a folder for this test process alone: the calling
// thread first moves into a mount namespace of its own, so nothing outside
// the process sees the mount and it cannot outlive the process. Only the
// calling thread (and the threads it starts afterwards) sees the mount.
// Needs the right to mount (root here); isMounted() tells whether it was
// made, error() why not. Unmounted when destroyed.
class PrivateMount
{
public:
    PrivateMount(const QString& dir, qint64 sizeBytes, bool readOnly);
    ~PrivateMount();
    PrivateMount(const PrivateMount&) = delete;
    PrivateMount& operator=(const PrivateMount&) = delete;

    bool isMounted() const { return m_mounted; }
    const QString& error() const { return m_error; }

private:
    QString m_dir;
    bool m_mounted = false;
    QString m_error;
};

} // namespace testsupport
