#pragma once

#include <QString>

#include <vector>

// A name that all processes of the current user share: one process owns it
// and the others raise a flag at it for the owner. It stands in for the
// named shared memory of a desktop session elsewhere.
//
// The name is an abstract Unix socket, "@<name>.<uid>": it lies in no
// folder, so neither $XDG_RUNTIME_DIR, $TMPDIR, the home nor the umask
// changes where it is, and an ssh or su shell of the user meets the same
// one as the desktop. The kernel drops it the moment its owner's process
// ends, however it ends. Every process of the machine's network namespace
// sees the name; a process of another user that holds it is told apart by
// its credentials and never taken for the owner, and raises of other users
// are ignored. Sockets are close-on-exec, so a started program never
// inherits the claim.
namespace platform {

class UserFlag
{
public:
    explicit UserFlag(const QString& name);
    ~UserFlag();
    UserFlag(const UserFlag&) = delete;
    UserFlag& operator=(const UserFlag&) = delete;

    // Makes this process the owner, with the flag lowered. False when the
    // name is held (EADDRINUSE, whoever holds it) or the socket cannot be
    // made; error() tells why.
    bool create();
    // True when a live process of this user owns the name; this one may then
    // raise the flag. False with ECONNREFUSED when nobody listens at the
    // name (its owner has just ended, or not yet begun to listen), EAGAIN
    // when the owner has more raises waiting than it takes at once, EPERM
    // when a process of another user holds it.
    bool attach();

    // Raises the flag for its owner, after attach.
    bool set();
    // For the owner: whether the flag was raised since the last look; a
    // raised flag is lowered. Several raises between two looks are one.
    bool takeRaised();

    int error() const { return m_error; }

private:
    bool openSocket();
    void close();
    bool fail(int error);

    QString m_name;
    int m_fd = -1;
    bool m_owner = false;
    // The owner's connections from starts that have not said yet whether
    // they raise the flag.
    std::vector<int> m_waiting;
    int m_error = 0;
};

} // namespace platform
