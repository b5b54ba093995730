#include "content/archive/DestinationWriter.h"

#include "core/Log.h"
#include "core/SafePath.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sevenzip;

namespace {

// Longer link targets are not paths this platform can resolve.
constexpr int kMaxLinkTarget = 4095;

// Every temporary name is this prefix followed by "<pid>-<item>-<attempt>".
const char* const kTempPrefix = ".unpack-";

// The plug-in's view of one item's data: everything goes to the writer,
// which checks that the item is still the current one.
class ItemOutStream final : public ISequentialOutStream
{
public:
    ItemOutStream(DestinationWriter* writer, std::uint64_t serial) : m_writer(writer), m_serial(serial) {}

    HRESULT QueryInterface(const Guid& iid, void** object) noexcept override
    {
        *object = nullptr;
        if (!(iid == IID_IUnknown || iid == IID_ISequentialOutStream))
            return E_NOINTERFACE;
        *object = static_cast<ISequentialOutStream*>(this);
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() noexcept override { return ++m_refs; }
    std::uint32_t Release() noexcept override
    {
        const std::uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* processed) noexcept override
    {
        try {
            return m_writer->write(m_serial, data, size, processed);
        } catch (...) { // nothing may be thrown back into the plug-in
            return E_OUTOFMEMORY;
        }
    }

private:
    ~ItemOutStream() = default;

    std::atomic<std::uint32_t> m_refs{1};
    DestinationWriter* const m_writer;
    const std::uint64_t m_serial;
};

QString errorText(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

QString resultText(std::int32_t result)
{
    switch (result) {
    case OpUnsupportedMethod: return QStringLiteral("unsupported method");
    case OpDataError: return QStringLiteral("data error");
    case OpCrcError: return QStringLiteral("CRC error");
    case OpUnavailable: return QStringLiteral("data unavailable");
    case OpUnexpectedEnd: return QStringLiteral("unexpected end of data");
    case OpDataAfterEnd: return QStringLiteral("data after the end");
    case OpIsNotArc: return QStringLiteral("not an archive");
    case OpHeadersError: return QStringLiteral("headers error");
    case OpWrongPassword: return QStringLiteral("wrong password");
    default: return QStringLiteral("result %1").arg(result);
    }
}

// A link at linkPath (relative to the destination) may point anywhere below
// the destination. Leading ".." steps climb the link's own folders, which
// are real folders (nothing is created through a link), so they are resolved
// here; any ".." after a name could pass through another link and is left to
// safeJoinPath to refuse, as are steps above the destination.
bool linkStaysInside(const QString& linkPath, const QString& target)
{
    if (target.isEmpty() || target.startsWith(QLatin1Char('/')))
        return false;
    QStringList folders = linkPath.split(QLatin1Char('/'));
    folders.removeLast();
    QStringList rest = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    while (!rest.isEmpty() && (rest.first() == QLatin1String(".") || rest.first() == QLatin1String(".."))) {
        if (rest.first() == QLatin1String("..")) {
            if (folders.isEmpty())
                break;
            folders.removeLast();
        }
        rest.removeFirst();
    }
    QString resolved;
    return safeJoinPath(QString(), (folders + rest).join(QLatin1Char('/')), resolved);
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

void DestinationWriter::removeLeftovers(const QString& destDir)
{
    static const QRegularExpression tempName(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(QLatin1String(kTempPrefix)) + QStringLiteral("[0-9]+-[0-9]+-[0-9]+")));
    // Links to folders are listed, not entered; a temporary link is removed
    // itself, never what it points to.
    QDirIterator it(destDir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if ((info.isDir() && !info.isSymLink()) || !tempName.match(info.fileName()).hasMatch())
            continue;
        if (QFile::remove(path))
            Log::instance()->info(QStringLiteral("unpack leftover removed: ") + path);
        else
            Log::instance()->critical(QStringLiteral("failed to remove unpack leftover: ") + path);
    }
}

DestinationWriter::~DestinationWriter()
{
    discardCurrent();
    closeFd(m_parentFd);
    closeFd(m_rootFd);
}

bool DestinationWriter::open(const QString& destDir, std::vector<ArchiveItem> items)
{
    // The destination itself is the caller's choice and may lie behind links.
    if (!QDir().mkpath(destDir)) {
        m_failure = QStringLiteral("cannot create the destination ") + destDir;
        return false;
    }
    m_rootFd = ::open(QFile::encodeName(destDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_rootFd < 0) {
        m_failure = QStringLiteral("cannot open the destination ") + destDir + QStringLiteral(": ") + errorText(errno);
        return false;
    }
    m_items = std::move(items);
    m_done.assign(m_items.size(), false);
    return true;
}

int DestinationWriter::openFolder(const QStringList& parts, QString& reason)
{
    int fd = ::dup(m_rootFd);
    QString walked;
    for (const QString& part : parts) {
        walked += (walked.isEmpty() ? QString() : QStringLiteral("/")) + part;
        const QByteArray name = QFile::encodeName(part);
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = ::openat(fd, name.constData(), flags);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(fd, name.constData(), 0777) == 0 || errno == EEXIST)
                next = ::openat(fd, name.constData(), flags);
        }
        if (next < 0) {
            const int error = errno;
            reason = (error == ELOOP || error == ENOTDIR)
                ? QStringLiteral("not a folder (a link is never followed): ") + walked
                : QStringLiteral("cannot create the folder ") + walked + QStringLiteral(": ") + errorText(error);
            ::close(fd);
            return -1;
        }
        ::close(fd);
        fd = next;
    }
    return fd;
}

bool DestinationWriter::enterParent(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString parent = slash < 0 ? QString() : path.left(slash);
    if (m_parentFd >= 0 && parent == m_parentPath)
        return true;
    closeFd(m_parentFd);
    QString reason;
    m_parentFd = openFolder(parent.isEmpty() ? QStringList() : parent.split(QLatin1Char('/')), reason);
    if (m_parentFd < 0) {
        fail(reason);
        return false;
    }
    m_parentPath = parent;
    return true;
}

bool DestinationWriter::createTemp(ArchiveItem::Kind kind)
{
    // Hidden, short (so that any real name fits) and unique in the folder.
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_current.tempName = QStringLiteral("%1%2-%3-%4")
                                 .arg(QLatin1String(kTempPrefix))
                                 .arg(::getpid())
                                 .arg(m_current.serial)
                                 .arg(attempt)
                                 .toLatin1();
        if (kind == ArchiveItem::Kind::Symlink) {
            // The link is made at the end; only the name is reserved here.
            struct stat info;
            if (::fstatat(m_parentFd, m_current.tempName.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0
                && errno == ENOENT)
                return true;
            continue;
        }
        m_current.fd = ::openat(m_parentFd, m_current.tempName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_current.fd >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    const int error = errno;
    m_current.tempName.clear();
    fail(QStringLiteral("cannot create a file in ") + (m_parentPath.isEmpty() ? QStringLiteral(".") : m_parentPath)
         + QStringLiteral(": ") + errorText(error));
    return false;
}

HRESULT DestinationWriter::beginItem(std::uint32_t index, ISequentialOutStream** stream)
{
    *stream = nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    discardCurrent(); // an item the library never ended
    if (index >= m_items.size())
        return fail(QStringLiteral("unknown item %1").arg(index));
    const ArchiveItem& item = m_items[index];

    m_current = Current();
    m_current.index = index;
    m_current.serial = ++m_serial;
    m_current.active = true;

    switch (item.kind) {
    case ArchiveItem::Kind::Skip:
        return S_OK;
    case ArchiveItem::Kind::Directory: {
        QString reason;
        const int fd = openFolder(item.path.split(QLatin1Char('/')), reason);
        if (fd < 0)
            return fail(reason);
        ::close(fd);
        return S_OK;
    }
    case ArchiveItem::Kind::File:
    case ArchiveItem::Kind::Symlink:
        break;
    }

    if (!enterParent(item.path) || !createTemp(item.kind)) {
        m_current = Current();
        return E_FAIL;
    }
    m_current.name = QFile::encodeName(item.path.mid(item.path.lastIndexOf(QLatin1Char('/')) + 1));
    *stream = new ItemOutStream(this, m_current.serial);
    return S_OK;
}

HRESULT DestinationWriter::write(std::uint64_t serial, const void* data, std::uint32_t size, std::uint32_t* processed)
{
    if (processed)
        *processed = 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_current.active || serial != m_current.serial)
        return E_FAIL;

    if (m_items[m_current.index].kind == ArchiveItem::Kind::Symlink) {
        if (m_current.linkTarget.size() + qint64(size) > kMaxLinkTarget)
            return fail(QStringLiteral("link target too long: ") + m_items[m_current.index].path);
        m_current.linkTarget.append(static_cast<const char*>(data), int(size));
    } else {
        const char* bytes = static_cast<const char*>(data);
        std::uint32_t left = size;
        while (left > 0) {
            const ssize_t done = ::write(m_current.fd, bytes, left);
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0) {
                const int error = done < 0 ? errno : EIO;
                fail(QStringLiteral("cannot write ") + m_items[m_current.index].path + QStringLiteral(": ")
                     + errorText(error));
                return resultFromErrno(error);
            }
            bytes += done;
            left -= std::uint32_t(done);
        }
    }
    if (processed)
        *processed = size;
    return S_OK;
}

HRESULT DestinationWriter::endItem(std::int32_t result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_current.active)
        return fail(QStringLiteral("item result without an item"));
    if (result != OpOk) {
        const QString path = m_items[m_current.index].path;
        discardCurrent();
        return fail(resultText(result) + QStringLiteral(" in ") + path);
    }
    const HRESULT placed = placeCurrent();
    if (placed == S_OK)
        m_done[m_current.index] = true;
    else
        discardCurrent();
    m_current = Current();
    return placed;
}

HRESULT DestinationWriter::placeCurrent()
{
    const ArchiveItem& item = m_items[m_current.index];
    if (item.kind == ArchiveItem::Kind::Skip || item.kind == ArchiveItem::Kind::Directory)
        return S_OK;

    if (item.kind == ArchiveItem::Kind::Symlink) {
        const QByteArray& target = m_current.linkTarget;
        if (target.contains('\0') || !linkStaysInside(item.path, QFile::decodeName(target)))
            return fail(QStringLiteral("link leaving the destination refused: ") + item.path + QStringLiteral(" -> ")
                        + QFile::decodeName(target));
        if (::symlinkat(target.constData(), m_parentFd, m_current.tempName.constData()) != 0) {
            const int error = errno;
            m_current.tempName.clear(); // nothing was created
            return fail(QStringLiteral("cannot create the link ") + item.path + QStringLiteral(": ") + errorText(error));
        }
    } else {
        bool ok = !item.hasMode || ::fchmod(m_current.fd, item.mode) == 0;
        if (ok && item.hasModificationTime) {
            const timespec times[2] = {{0, UTIME_OMIT}, item.modificationTime};
            ok = ::futimens(m_current.fd, times) == 0;
        }
        // close() is where some file systems report a failed write.
        int error = ok ? 0 : errno;
        if (::close(m_current.fd) != 0 && ok) {
            ok = false;
            error = errno;
        }
        m_current.fd = -1;
        if (!ok)
            return fail(QStringLiteral("cannot finish ") + item.path + QStringLiteral(": ") + errorText(error));
    }

    // Replaces a file or a link under the name, never what a link points to;
    // a folder under the name makes this fail.
    if (::renameat(m_parentFd, m_current.tempName.constData(), m_parentFd, m_current.name.constData()) != 0)
        return fail(QStringLiteral("cannot replace ") + item.path + QStringLiteral(": ") + errorText(errno));
    m_current.tempName.clear();
    return S_OK;
}

void DestinationWriter::discardCurrent()
{
    closeFd(m_current.fd);
    if (!m_current.tempName.isEmpty() && m_parentFd >= 0)
        ::unlinkat(m_parentFd, m_current.tempName.constData(), 0);
    m_current = Current();
}

void DestinationWriter::reportFailure(std::uint32_t, std::uint32_t index, std::int32_t result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    fail(resultText(result) + QStringLiteral(" in item %1").arg(index));
}

bool DestinationWriter::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    discardCurrent();
    for (std::size_t i = 0; i < m_items.size() && m_failure.isEmpty(); ++i) {
        if (!m_done[i] && m_items[i].kind != ArchiveItem::Kind::Skip)
            fail(QStringLiteral("item not extracted: ") + m_items[i].path);
    }
    return m_failure.isEmpty();
}

QString DestinationWriter::failure() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failure;
}

HRESULT DestinationWriter::fail(const QString& reason)
{
    if (m_failure.isEmpty())
        m_failure = reason;
    return E_FAIL;
}
