#pragma once

#include <QByteArray>
#include <QProcess>

#include <functional>

#include <sys/types.h>

// Processes of another user than the one of the tests (root here): "nobody".
namespace testsupport {

const uid_t kOtherUserId = 65534;

// A process whose child takes a step of its own between fork and exec.
// Only what is safe there may run in it: system calls such as umask or
// setuid.
class ChildSetupProcess : public QProcess
{
public:
    void setChildSetup(const std::function<void()>& setup) { m_setup = setup; }

protected:
    void setupChildProcess() override;

private:
    std::function<void()> m_setup;
};

// For a child setup: the process goes on as the other user, or ends at once
// with 126 where it cannot.
void becomeOtherUser();

// A process of the other user at the abstract Unix socket name "@<name>",
// until destroyed: one that holds the name (bound, listening), or one that
// connects to it and writes the byte 1.
class OtherUserSocket
{
public:
    enum Role { Holds, Raises };
    OtherUserSocket(Role role, const QByteArray& name);
    ~OtherUserSocket();
    OtherUserSocket(const OtherUserSocket&) = delete;
    OtherUserSocket& operator=(const OtherUserSocket&) = delete;

    // Whether it did its part: holds the name, or wrote the byte.
    bool isReady() const { return m_ready; }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

} // namespace testsupport
