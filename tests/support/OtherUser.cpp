#include "tests/support/OtherUser.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

void ChildSetupProcess::setupChildProcess()
{
    if (m_setup)
        m_setup();
}

void becomeOtherUser()
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUserId) != 0 || ::setuid(kOtherUserId) != 0)
        ::_exit(126);
}

OtherUserSocket::OtherUserSocket(Role role, const QByteArray& name)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::min(std::size_t(name.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.constData(), size);
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        // Only system calls from here: the parent has other threads.
        becomeOtherUser();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr* to = reinterpret_cast<const sockaddr*>(&address);
        const bool done = role == Holds ? ::bind(fd, to, length) == 0 && ::listen(fd, 8) == 0
                                        : ::connect(fd, to, length) == 0 && ::write(fd, "\1", 1) == 1;
        if (done && ::write(report[1], "r", 1) == 1)
            ::pause(); // until killed
        ::_exit(1);
    }
    ::close(report[1]);
    if (m_pid > 0) {
        pollfd ready = {report[0], POLLIN, 0};
        char byte = 0;
        m_ready = ::poll(&ready, 1, 10000) == 1 && ::read(report[0], &byte, 1) == 1;
    }
    ::close(report[0]);
}

OtherUserSocket::~OtherUserSocket()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace testsupport
