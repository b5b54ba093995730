#include "install/InstallJournal.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "install/InstalledFilesJob.h"
#include "install/WriteUninstallRegistry.h"
#include "platform/FileLock.h"
#include "platform/SaveFile.h"
#include "platform/ShellLink.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace install {
namespace {

// How long an install waits for another one into the same folder.
const int kJournalWaitMs = 5000;

QString folderOf(const QString& folder)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

QString journalPath(const QString& folder)
{
    return joinPath(folder, InstallJournal::fileName());
}

// Whether the open file is still the one under its name: another process
// that finished the journal may have removed it after it was opened.
bool namesOpenFile(int fd, const QString& path)
{
    struct stat open = {};
    struct stat named = {};
    return ::fstat(fd, &open) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0
        && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return bytes;
        bytes.append(buffer, int(got));
    }
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QJsonArray toJson(const QList<platform::RegistryValue>& values)
{
    QJsonArray array;
    for (const platform::RegistryValue& value : values) {
        QJsonObject object{{QStringLiteral("name"), value.name}};
        if (value.type == platform::RegistryValue::Number)
            object.insert(QStringLiteral("number"), double(value.number));
        else
            object.insert(QStringLiteral("text"), value.text);
        array.append(object);
    }
    return array;
}

QList<platform::RegistryValue> fromJson(const QJsonArray& array)
{
    QList<platform::RegistryValue> values;
    for (const QJsonValue& item : array) {
        const QJsonObject object = item.toObject();
        platform::RegistryValue value;
        value.name = object.value(QStringLiteral("name")).toString();
        if (object.contains(QStringLiteral("number"))) {
            value.type = platform::RegistryValue::Number;
            value.number = quint32(object.value(QStringLiteral("number")).toDouble());
        } else {
            value.text = object.value(QStringLiteral("text")).toString();
        }
        values.append(value);
    }
    return values;
}

// The journal as read back: its tag, the changes in the order they were
// made, and whether the list had run. A line cut off by the crash is the
// last one, and nothing was done after it was begun.
struct Journal
{
    QString tag;
    QList<QJsonObject> changes;
    bool committed = false;
};

Journal parse(const QByteArray& bytes)
{
    Journal journal;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) { // the piece after the last line feed is no line
        const QJsonDocument document = QJsonDocument::fromJson(lines[i]);
        if (!document.isObject())
            break;
        const QJsonObject record = document.object();
        if (i == 0) {
            journal.tag = record.value(QStringLiteral("tag")).toString();
            if (!platform::isKeepTag(journal.tag))
                return Journal();
        } else if (record.value(QStringLiteral("commit")).toBool()) {
            journal.committed = true;
        } else {
            journal.changes.append(record);
        }
    }
    return journal;
}

// The journal is the install's own, but a path in it is still checked: it
// names a file in the folder, or a shortcut in one of the shortcut folders.
bool mayTouch(const QString& folder, const QString& path)
{
    if (!QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path)
        return false;
    const QString inside = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (path.startsWith(inside) && path.size() > inside.size())
        return true;
    const QFileInfo info(path);
    if (!info.fileName().endsWith(platform::shellLinkSuffix()))
        return false;
    for (const SpecialFolder kind : {SpecialFolder::StartMenu, SpecialFolder::QuickLaunch, SpecialFolder::Desktop}) {
        if (QDir::cleanPath(specialFolderPath(kind, false)) == info.absolutePath())
            return true;
    }
    return false;
}

// Undoes the changes, newest first, or lets go of what they kept.
void recover(const QString& folder, const Journal& journal)
{
    if (journal.changes.isEmpty())
        return;
    bool whole = true;
    QStringList gone;
    const int count = journal.changes.size();
    for (int k = 0; k < count; ++k) {
        const QJsonObject& change = journal.changes.at(journal.committed ? k : count - 1 - k);
        const bool existed = change.value(QStringLiteral("existed")).toBool();
        if (change.contains(QStringLiteral("entry"))) {
            const QString key = change.value(QStringLiteral("entry")).toString();
            if (journal.committed || key != WriteUninstallRegistry::keyPath(g_launcherProduct))
                continue;
            // Only while it still describes this folder: a later install
            // elsewhere may have written its own since.
            QList<platform::RegistryValue> current;
            if (platform::readRegistryKey(key, &current) != platform::RegistrySuccess
                || !WriteUninstallRegistry::describes(current, folder))
                continue;
            const QList<platform::RegistryValue> previous =
                fromJson(change.value(QStringLiteral("previous")).toArray());
            const long result =
                existed ? platform::writeRegistryKey(key, previous) : platform::deleteRegistryKey(key);
            whole = whole && result == platform::RegistrySuccess;
            continue;
        }
        const QString path = change.value(QStringLiteral("file")).toString();
        if (!mayTouch(folder, path))
            continue;
        if (journal.committed) {
            platform::removeKeptFile(path, journal.tag);
            const QFileInfo info(path);
            if (!info.exists() && !info.isSymLink())
                gone << QDir(folder).relativeFilePath(path);
        } else if (existed) {
            if (!platform::restoreKeptFile(path, journal.tag)) {
                Log::instance()->critical(QStringLiteral("Install journal: cannot put back ") + path + QStringLiteral(": ")
                                          + platform::systemErrorText());
                whole = false;
            }
        } else {
            const QFileInfo info(path);
            if ((info.isFile() || info.isSymLink()) && !QFile::remove(path))
                whole = false;
        }
        // What a copy that was cut off left beside it.
        platform::removeWriteLeftovers(path);
    }
    if (journal.committed)
        removeEmptiedFolders(folder, gone);
    Log::instance()->info((journal.committed ? QStringLiteral("Install journal: finished an install that was cut off: ")
                                             : QStringLiteral("Install journal: rolled back an install that was cut off: "))
                          + folder + (whole ? QString() : QStringLiteral(" (not all of it)")));
}

} // namespace

InstallJournal::InstallJournal(const QString& folder)
    : m_folder(folderOf(folder)), m_path(journalPath(m_folder))
{
}

InstallJournal::~InstallJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString InstallJournal::fileName()
{
    return QStringLiteral(".QMXLauncher.install");
}

bool InstallJournal::begin()
{
    if (!makePath(m_folder))
        return false;
    const QByteArray path = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 10 && m_fd < 0; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            Log::instance()->critical(QStringLiteral("Install journal failed: ") + m_path + QStringLiteral(": ") + platform::systemErrorText());
            return false;
        }
        if (!platform::lockExclusively(fd, kJournalWaitMs)) {
            Log::instance()->critical(QStringLiteral("Install journal failed: ") + m_path
                                      + QStringLiteral(": another install into the folder is running"));
            ::close(fd);
            return false;
        }
        if (namesOpenFile(fd, m_path))
            m_fd = fd;
        else
            ::close(fd);
    }
    if (m_fd < 0)
        return false;

    recover(m_folder, parse(readAll(m_fd)));
    m_tag = platform::newKeepTag();
    const QByteArray header = QJsonDocument(QJsonObject{{QStringLiteral("tag"), m_tag}}).toJson(QJsonDocument::Compact);
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0
        || ::write(m_fd, header.constData(), size_t(header.size())) != header.size() || ::write(m_fd, "\n", 1) != 1
        || ::fsync(m_fd) != 0 || !syncFolder(m_folder)) {
        Log::instance()->critical(QStringLiteral("Install journal failed: ") + m_path + QStringLiteral(": ") + platform::systemErrorText());
        end();
        return false;
    }
    return true;
}

bool InstallJournal::append(const QJsonObject& record)
{
    if (m_fd < 0)
        return false;
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    // Flushed before the change it announces is made. A failure is the
    // failure of that change (errno says why), which its job reports.
    if (::lseek(m_fd, 0, SEEK_END) < 0)
        return false;
    const ssize_t written = ::write(m_fd, line.constData(), size_t(line.size()));
    if (written != line.size()) {
        if (written >= 0)
            errno = ENOSPC;
        return false;
    }
    return ::fdatasync(m_fd) == 0;
}

bool InstallJournal::keep(InstallJournal* journal, const QString& path, platform::KeptFile& kept)
{
    if (!journal)
        return kept.keep(path);
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(absolute);
    const bool existed = info.exists() || info.isSymLink();
    return journal->append(QJsonObject{{QStringLiteral("file"), absolute}, {QStringLiteral("existed"), existed}})
        && kept.keep(absolute, journal->m_tag);
}

bool InstallJournal::recordEntry(const QString& key, bool existed, const QList<platform::RegistryValue>& previous)
{
    return append(QJsonObject{{QStringLiteral("entry"), key},
                              {QStringLiteral("existed"), existed},
                              {QStringLiteral("previous"), toJson(previous)}});
}

bool InstallJournal::commit()
{
    return append(QJsonObject{{QStringLiteral("commit"), true}});
}

void InstallJournal::end()
{
    if (m_fd < 0)
        return;
    if (namesOpenFile(m_fd, m_path))
        ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

void finishInterruptedInstall(const QString& folder)
{
    const QString cleaned = folderOf(folder);
    const QString path = journalPath(cleaned);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    // A journal that a live install holds is that install's.
    if (platform::tryLockExclusively(fd) && namesOpenFile(fd, path)) {
        recover(cleaned, parse(readAll(fd)));
        ::unlink(QFile::encodeName(path).constData());
    }
    ::close(fd);
}

} // namespace install
