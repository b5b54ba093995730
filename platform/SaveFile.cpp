#include "platform/SaveFile.h"

#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// ".<name>.tmp-" and six letters or digits: hidden, so that a desktop or a
// file manager does not show it while it exists, and unlike any name a
// player gives a file.
const QString kMarker = QStringLiteral(".tmp-");
// What a kept file is named: ".<name>.kept-" and a tag of the same kind. No
// leftover cleaning takes such a name; whoever keeps it lets it go.
const QString kKeptMarker = QStringLiteral(".kept-");
const int kRandomLength = 6;

QString randomTag()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString random;
    for (int i = 0; i < kRandomLength; ++i)
        random += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof(letters) - 1))]);
    return random;
}

QString temporaryName(const QString& name)
{
    return QLatin1Char('.') + name + kMarker + randomTag();
}

bool isTag(const QStringRef& tag)
{
    if (tag.size() != kRandomLength)
        return false;
    for (const QChar c : tag) {
        if (c.unicode() > 0x7f || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

// The name an entry ".<name><marker><tag>" stands beside, else empty.
QString targetOf(const QString& entryName, const QString& marker)
{
    const int suffix = marker.size() + kRandomLength;
    if (entryName.size() <= 1 + suffix || !entryName.startsWith(QLatin1Char('.'))
        || entryName.midRef(entryName.size() - suffix, marker.size()) != marker
        || !isTag(entryName.rightRef(kRandomLength)))
        return QString();
    return entryName.mid(1, entryName.size() - 1 - suffix);
}

class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Whether the name still stands for the open file: the name itself, not
// what a link there points to.
bool namesFile(int fd, const QByteArray& path)
{
    struct stat open = {};
    struct stat named = {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev
        && open.st_ino == named.st_ino;
}

// The other holders of such a lock are a leftover cleaning that looks at
// the file for a moment and a writer that is just closing it.
const int kLockWaitMs = 2000;

// A new, empty, locked file under a temporary name beside name in dir.
int createLockedTemporary(const QString& dir, const QString& name, QByteArray* tempPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = QFile::encodeName(dir + QLatin1Char('/') + temporaryName(name));
        Descriptor fd(::open(candidate.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd.get() < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        if (!lockExclusively(fd.get(), kLockWaitMs)) {
            const int error = errno;
            ::unlink(candidate.constData());
            errno = error;
            return -1;
        }
        // A cleaning in another process may have taken the new file for a
        // leftover before it was locked; then it is gone, and another name
        // is drawn.
        if (!namesFile(fd.get(), candidate))
            continue;
        *tempPath = candidate;
        return fd.release();
    }
    errno = EEXIST;
    return -1;
}

// Temporary files of earlier writes of name in dir that nobody holds any
// more: their writer was killed, or a kept file was left by a process that
// ended. One that is locked belongs to a live writer and stays.
void removeLeftovers(const QString& dir, const QString& name)
{
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& entry : entries) {
        if (temporaryFileTarget(entry) != name)
            continue;
        const QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + entry);
        // Opened for writing, as the lock needs; a writer's file stays
        // writable until it takes its place.
        const Descriptor fd(::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat info = {};
        if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (!tryLockExclusively(fd.get()))
            continue;
        if (namesFile(fd.get(), path))
            ::unlink(path.constData());
    }
}

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Copies what is left to read from in to out.
QFileDevice::FileError copyContent(int in, int out)
{
    QByteArray buffer(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), size_t(buffer.size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return QFileDevice::ReadError;
        }
        if (got == 0)
            return QFileDevice::NoError;
        if (!writeAll(out, buffer.constData(), got))
            return QFileDevice::WriteError;
    }
}

mode_t modeOf(QFileDevice::Permissions permissions)
{
    mode_t mode = 0;
    const struct {
        QFileDevice::Permissions qt;
        mode_t bit;
    } bits[] = {
        {QFileDevice::ReadOwner | QFileDevice::ReadUser, S_IRUSR},
        {QFileDevice::WriteOwner | QFileDevice::WriteUser, S_IWUSR},
        {QFileDevice::ExeOwner | QFileDevice::ExeUser, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP},
        {QFileDevice::WriteGroup, S_IWGRP},
        {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH},
        {QFileDevice::WriteOther, S_IWOTH},
        {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto& b : bits) {
        if (permissions & b.qt)
            mode |= b.bit;
    }
    return mode;
}

// The whole-file write: fill puts the content into the temporary file, which
// then takes the path's place. mode < 0: that of a plain file replaced, or
// the default for new files.
QFileDevice::FileError writeWhole(const QString& path, int mode, const std::function<QFileDevice::FileError(int)>& fill)
{
    // The folder the name stands in, not the one a link there points into.
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    const QString name = info.fileName();
    if (name.isEmpty())
        return QFileDevice::OpenError;
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    if (mode < 0) {
        struct stat old = {};
        if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
            mode = int(old.st_mode & 07777);
    }

    removeLeftovers(dir, name);
    QByteArray temp;
    const Descriptor fd(createLockedTemporary(dir, name, &temp));
    if (fd.get() < 0)
        return QFileDevice::OpenError;
    const auto fail = [&temp](QFileDevice::FileError error) {
        const int reason = errno;
        ::unlink(temp.constData());
        errno = reason;
        return error;
    };
    const QFileDevice::FileError filled = fill(fd.get());
    if (filled != QFileDevice::NoError)
        return fail(filled);
    // The mode only now: until it takes its place the file stays writable,
    // so that the cleaning can take the lock of one a killed write left.
    if (mode >= 0 && ::fchmod(fd.get(), mode_t(mode)) != 0)
        return fail(QFileDevice::PermissionsError);
    if (::fsync(fd.get()) != 0)
        return fail(QFileDevice::WriteError);
    // Still locked while it takes its place, so no cleaning can take it.
    if (::rename(temp.constData(), target.constData()) != 0)
        return fail(QFileDevice::RenameError);
    return QFileDevice::NoError;
}

} // namespace

QFileDevice::FileError saveWholeFile(const QString& path, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions)
{
    const int mode = permissions ? int(modeOf(permissions)) : -1;
    return writeWhole(path, mode, [&bytes](int fd) {
        return writeAll(fd, bytes.constData(), bytes.size()) ? QFileDevice::NoError : QFileDevice::WriteError;
    });
}

QFileDevice::FileError copyWholeFile(const QString& from, const QString& path)
{
    const Descriptor in(::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC));
    struct stat info = {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return QFileDevice::OpenError;
    return writeWhole(path, int(info.st_mode & 0777), [&in](int fd) { return copyContent(in.get(), fd); });
}

void removeWriteLeftovers(const QString& path)
{
    const QFileInfo info(path);
    removeLeftovers(info.absolutePath(), info.fileName());
}

QString temporaryFileTarget(const QString& entryName)
{
    return targetOf(entryName, kMarker);
}

QString keptFileTarget(const QString& entryName)
{
    return targetOf(entryName, kKeptMarker);
}

QString newKeepTag()
{
    return randomTag();
}

bool isKeepTag(const QString& tag)
{
    return isTag(QStringRef(&tag));
}

QString keptFilePath(const QString& path, const QString& tag)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + kKeptMarker + tag;
}

bool restoreKeptFile(const QString& path, const QString& tag)
{
    const QByteArray kept = QFile::encodeName(keptFilePath(path, tag));
    const QByteArray current = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    struct stat keptInfo = {};
    if (::lstat(kept.constData(), &keptInfo) != 0)
        return errno == ENOENT;
    // Still the same file under both names (it was not replaced yet): a
    // rename would change nothing and leave the second name.
    struct stat currentInfo = {};
    if (::lstat(current.constData(), &currentInfo) == 0 && currentInfo.st_dev == keptInfo.st_dev
        && currentInfo.st_ino == keptInfo.st_ino)
        return ::unlink(kept.constData()) == 0;
    return ::rename(kept.constData(), current.constData()) == 0;
}

bool removeKeptFile(const QString& path, const QString& tag)
{
    return ::unlink(QFile::encodeName(keptFilePath(path, tag)).constData()) == 0 || errno == ENOENT;
}

namespace {

// A second name for the file at current, made as a copy: a file gets the
// same bytes and mode, a link the same target. For file systems without
// second names, where the original has to stay under its own name.
bool copyAside(const QByteArray& current, const struct stat& old, const QByteArray& kept)
{
    if (S_ISLNK(old.st_mode)) {
        QByteArray target(int(old.st_size) + 1, Qt::Uninitialized);
        const ssize_t length = ::readlink(current.constData(), target.data(), size_t(target.size()));
        if (length < 0 || length >= target.size())
            return false;
        target.truncate(int(length));
        return ::symlink(target.constData(), kept.constData()) == 0;
    }
    const Descriptor in(::open(current.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0)
        return false;
    const Descriptor out(::open(kept.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (out.get() < 0)
        return false;
    if (copyContent(in.get(), out.get()) != QFileDevice::NoError || ::fchmod(out.get(), old.st_mode & 07777) != 0
        || ::fsync(out.get()) != 0) {
        const int reason = errno;
        ::unlink(kept.constData());
        errno = reason;
        return false;
    }
    return true;
}

} // namespace

KeptFile::~KeptFile()
{
    discard();
}

bool KeptFile::keep(const QString& path, const QString& tag)
{
    discard();
    const QFileInfo info(path);
    const QByteArray current = QFile::encodeName(info.absoluteFilePath());
    struct stat old = {};
    if (info.fileName().isEmpty() || (!tag.isEmpty() && !isKeepTag(tag)))
        return false;
    if (::lstat(current.constData(), &old) != 0)
        return errno == ENOENT;
    if (S_ISDIR(old.st_mode))
        return false;

    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString keptTag = tag.isEmpty() ? newKeepTag() : tag;
        const QString keptPath = keptFilePath(info.absoluteFilePath(), keptTag);
        const QByteArray kept = QFile::encodeName(keptPath);
        bool copied = false;
        if (::link(current.constData(), kept.constData()) != 0) {
            if (errno == EEXIST) {
                if (!tag.isEmpty())
                    return false; // the name given is taken
                continue;
            }
            // No second names here (FAT, exFAT, some FUSE file systems): a
            // copy instead, so that the name itself always holds a file.
            if (!copyAside(current, old, kept))
                return false;
            copied = true;
        }
        // Replaced by someone else in the meantime: not what was there.
        struct stat now = {};
        struct stat keptInfo = {};
        const bool same = ::lstat(current.constData(), &now) == 0 && now.st_dev == old.st_dev
            && now.st_ino == old.st_ino && ::lstat(kept.constData(), &keptInfo) == 0
            && (copied || (keptInfo.st_dev == old.st_dev && keptInfo.st_ino == old.st_ino));
        if (!same) {
            ::unlink(kept.constData());
            return false;
        }
        m_path = info.absoluteFilePath();
        m_tag = keptTag;
        return true;
    }
    return false;
}

QString KeptFile::keptPath() const
{
    return isKept() ? keptFilePath(m_path, m_tag) : QString();
}

bool KeptFile::restore()
{
    if (!isKept())
        return false;
    if (!restoreKeptFile(m_path, m_tag))
        return false;
    release();
    return true;
}

void KeptFile::discard()
{
    if (isKept())
        removeKeptFile(m_path, m_tag);
    release();
}

void KeptFile::release()
{
    m_path.clear();
    m_tag.clear();
}

} // namespace platform
