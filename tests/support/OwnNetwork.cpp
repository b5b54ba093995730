#include "tests/support/OwnNetwork.h"

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

bool enterOwnNetwork(QString* error)
{
    auto refuse = [error](const char* what) {
        *error = QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    if (::unshare(CLONE_NEWNET) != 0)
        return refuse("unshare(CLONE_NEWNET)");
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return refuse("socket");
    ifreq loopback = {};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &loopback) == 0;
    loopback.ifr_flags |= IFF_UP | IFF_RUNNING;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &loopback) == 0;
    const int upError = errno;
    ::close(fd);
    if (!up) {
        errno = upError;
        return refuse("bringing up the loopback interface");
    }
    return true;
}

} // namespace testsupport
