#include "install/InstalledFilesJob.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/SafePath.h"
#include "install/InstallJournal.h"
#include "install/InstallTarget.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace install {
namespace {

// A record is a line per file; anything far larger is not one.
const qint64 kMaxRecordSize = 1024 * 1024;

// A file or a link, not a folder: what the record may name.
bool isFileEntry(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymLink() || info.isFile();
}

} // namespace

QString installedFilesRecordName()
{
    return QStringLiteral("QMXLauncher.files");
}

QStringList readInstalledFiles(const QString& folder)
{
    QFile file(joinPath(folder, installedFilesRecordName()));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecordSize)
        return QStringList();
    QStringList names;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        QString path;
        if (!safeJoinPath(folder, line, path) || !foldersAreReal(folder, line)
            || isWorkingDataName(line.section(QLatin1Char('/'), 0, 0)) || names.contains(line))
            continue;
        names << line;
    }
    return names;
}

void removeEmptiedFolders(const QString& folder, const QStringList& names)
{
    const QSet<QString> kept = launcherFolderNames();
    for (const QString& name : names) {
        QString path;
        if (!safeJoinPath(QString(), name, path))
            continue;
        for (QString dir = path.section(QLatin1Char('/'), 0, -2); !dir.isEmpty() && !kept.contains(dir);
             dir = dir.section(QLatin1Char('/'), 0, -2)) {
            if (!QDir(folder).rmdir(dir))
                break;
        }
    }
}

InstalledFilesJob::InstalledFilesJob(const QStringList& names, const QString& title)
    : InstallJob(title), m_names(names)
{
}

QString InstalledFilesJob::folder() const
{
    return QDir::cleanPath(QDir::fromNativeSeparators(m_opts.m_path));
}

bool InstalledFilesJob::execute()
{
    m_record.discard();
    putBackRemoved();
    m_executed = false;
    const QString dir = folder();
    QStringList recorded = m_names;
    for (const QString& name : readInstalledFiles(dir)) {
        if (m_names.contains(name))
            continue;
        const QString path = joinPath(dir, name);
        if (m_keepEarlier) {
            recorded << name;
            continue;
        }
        if (!isFileEntry(path))
            continue; // gone already
        // Kept until the commit, so the rollback can put it back. One that
        // cannot be removed stays on the record.
        std::unique_ptr<platform::KeptFile> kept(new platform::KeptFile);
        const bool removed = InstallJournal::keep(m_journal, path, *kept) && ::unlink(QFile::encodeName(path).constData()) == 0;
        Log::instance()->debug(QStringLiteral("InstalledFilesJob: removing ") + path + QStringLiteral("; result ")
                               + QString::number(int(removed)));
        if (!removed) {
            kept->discard();
            recorded << name;
            continue;
        }
        m_removed.push_back(std::move(kept));
        m_removedNames << name;
    }

    const QString record = joinPath(dir, installedFilesRecordName());
    if (!InstallJournal::keep(m_journal, record, m_record)) {
        m_failure = QStringLiteral("cannot keep ") + record;
        putBackRemoved();
        return false;
    }
    if (platform::saveWholeFile(record, (recorded.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8())
        != QFileDevice::NoError) {
        m_failure = QStringLiteral("cannot write ") + record + QStringLiteral(": ") + platform::systemErrorText();
        m_record.discard();
        putBackRemoved();
        return false;
    }
    m_executed = true;
    return true;
}

bool InstalledFilesJob::rollback()
{
    const QString dir = folder();
    const QString record = joinPath(dir, installedFilesRecordName());
    if (m_executed) {
        m_executed = false;
        const bool result = m_record.isKept() ? m_record.restore() : QFile::remove(record);
        putBackRemoved();
        return result;
    }
    // The uninstall: every file an installation got from any release.
    const QStringList names = readInstalledFiles(dir);
    for (const QString& name : names) {
        const QString path = joinPath(dir, name);
        if (!isFileEntry(path))
            continue;
        const bool removed = QFile::remove(path);
        Log::instance()->debug(QStringLiteral("InstalledFilesJob Rollback: ") + path + QStringLiteral("; result ")
                               + QString::number(int(removed)));
    }
    removeEmptiedFolders(dir, names);
    return QFile::remove(record);
}

void InstalledFilesJob::commit()
{
    m_executed = false;
    m_record.discard();
    for (const auto& kept : m_removed)
        kept->discard();
    m_removed.clear();
    removeEmptiedFolders(folder(), m_removedNames);
    m_removedNames.clear();
}

void InstalledFilesJob::putBackRemoved()
{
    for (auto it = m_removed.rbegin(); it != m_removed.rend(); ++it)
        (*it)->restore();
    m_removed.clear();
    m_removedNames.clear();
}

} // namespace install
