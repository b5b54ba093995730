#include "tests/support/PrivateMount.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

namespace testsupport {
namespace {

QString lastError(const char* what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool enterOwnMountNamespace(QString* error)
{
    static int state = 0; // 1 entered, -1 refused
    static QString refusal;
    if (state == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            refusal = lastError("unshare(CLONE_NEWNS)");
        else if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            refusal = lastError("making the mounts private");
        state = refusal.isEmpty() ? 1 : -1;
    }
    *error = refusal;
    return state == 1;
}

PrivateMount::PrivateMount(const QString& dir, qint64 sizeBytes, bool readOnly)
    : m_dir(dir)
{
    if (!enterOwnMountNamespace(&m_error))
        return;
    QDir().mkpath(dir);
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    const unsigned long flags = MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", flags, options.constData()) != 0) {
        m_error = lastError("mount");
        return;
    }
    m_mounted = true;
}

PrivateMount::~PrivateMount()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir).constData(), MNT_DETACH);
}

} // namespace testsupport
