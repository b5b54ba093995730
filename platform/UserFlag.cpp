#include "platform/UserFlag.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {
namespace {

const char kRaise = 1;
// Starts that connected but have not written yet; more are dropped.
const std::size_t kMaxWaiting = 64;

struct Address
{
    sockaddr_un address = {};
    socklen_t length = 0;
};

// The abstract address of a name for this user: a leading zero byte, then
// "<name>.<uid>"; no file stands behind it.
Address addressOf(const QString& name)
{
    Address result;
    result.address.sun_family = AF_UNIX;
    const QByteArray text = QFile::encodeName(name) + '.' + QByteArray::number(qulonglong(::getuid()));
    const std::size_t size = std::min(std::size_t(text.size()), sizeof result.address.sun_path - 1);
    std::memcpy(result.address.sun_path + 1, text.constData(), size);
    result.length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size);
    return result;
}

// Whether the process at the other end of a connection is this user's.
bool peerIsThisUser(int fd)
{
    ucred credentials = {};
    socklen_t size = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == ::getuid();
}

} // namespace

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
    for (int fd : m_waiting)
        ::close(fd);
    m_waiting.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_owner = false;
}

bool UserFlag::fail(int error)
{
    m_error = error;
    close();
    return false;
}

bool UserFlag::openSocket()
{
    close();
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    return m_fd >= 0 || fail(errno);
}

bool UserFlag::create()
{
    if (!openSocket())
        return false;
    const Address address = addressOf(m_name);
    // Binding is the decision: of starts at the same moment exactly one
    // gets the name.
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0
        || ::listen(m_fd, SOMAXCONN) != 0)
        return fail(errno);
    m_owner = true;
    m_error = 0;
    return true;
}

bool UserFlag::attach()
{
    if (!openSocket())
        return false;
    const Address address = addressOf(m_name);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0)
        return fail(errno);
    // Whoever binds the name first holds it; a process of another user that
    // does is no launcher of this one.
    if (!peerIsThisUser(m_fd))
        return fail(EPERM);
    m_error = 0;
    return true;
}

bool UserFlag::set()
{
    if (m_fd < 0 || m_owner)
        return fail(EBADF);
    if (::write(m_fd, &kRaise, 1) != 1)
        return fail(errno);
    return true;
}

bool UserFlag::takeRaised()
{
    if (!m_owner)
        return false;
    for (;;) {
        const int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break;
        }
        if (!peerIsThisUser(connection) || m_waiting.size() >= kMaxWaiting)
            ::close(connection);
        else
            m_waiting.push_back(connection);
    }
    // A start connects first and raises a moment later, and it may have
    // ended since: what it wrote is still there to read.
    bool raised = false;
    std::vector<int> stillWaiting;
    for (int connection : m_waiting) {
        char value = 0;
        const ssize_t n = ::read(connection, &value, 1);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            stillWaiting.push_back(connection);
            continue;
        }
        raised = raised || (n == 1 && value == kRaise);
        ::close(connection);
    }
    m_waiting.swap(stillWaiting);
    return raised;
}

} // namespace platform
