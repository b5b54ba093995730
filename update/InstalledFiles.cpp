#include "update/InstalledFiles.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/SafePath.h"
#include "update/UpdateNote.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString kName = QStringLiteral(".game-files");
const QString kFilesKey = QStringLiteral("files");
const QString kFoldersKey = QStringLiteral("folders");

QJsonArray sorted(const QSet<QString>& paths)
{
    QStringList list = paths.values();
    list.sort();
    return QJsonArray::fromStringList(list);
}

// Something stands under the path, a link to nowhere included.
bool standsThere(const QFileInfo& info)
{
    return info.exists() || info.isSymLink();
}

bool isRealFolder(const QFileInfo& info)
{
    return !info.isSymLink() && info.isDir();
}

} // namespace

QString InstalledFiles::path()
{
    return updateNotePath(kName);
}

InstalledFiles InstalledFiles::read()
{
    InstalledFiles record;
    QJsonObject note;
    switch (readUpdateNote(kName, note)) {
    case UpdateNoteState::Missing:
        return record;
    case UpdateNoteState::Unreadable:
        Log::instance()->critical(QStringLiteral("failed to read the record of game files, taken as empty: ")
                                  + path());
        return record;
    case UpdateNoteState::Read:
        break;
    }
    // The entries go through the same check as the paths they came from.
    QString cleaned;
    for (const QJsonValue& value : note.value(kFilesKey).toArray()) {
        if (safeJoinPath(QString(), value.toString(), cleaned))
            record.files.insert(cleaned);
    }
    for (const QJsonValue& value : note.value(kFoldersKey).toArray()) {
        if (safeJoinPath(QString(), value.toString(), cleaned))
            record.folders.insert(cleaned);
    }
    return record;
}

bool InstalledFiles::write() const
{
    return writeUpdateNote(kName, {{kFilesKey, sorted(files)}, {kFoldersKey, sorted(folders)}},
                           QStringLiteral("record of game files"));
}

void InstalledFiles::addFile(const QString& relativePath)
{
    QString cleaned;
    if (!safeJoinPath(QString(), relativePath, cleaned))
        return;
    files.insert(cleaned);
    folders.unite(foldersOnTheWay(cleaned));
}

void InstalledFiles::unite(const InstalledFiles& other)
{
    files.unite(other.files);
    folders.unite(other.folders);
}

void InstalledFiles::forgetRemoved(const QString& gameDir, const QStringList& relativePaths)
{
    QString cleaned;
    for (const QString& path : relativePaths) {
        if (!safeJoinPath(QString(), path, cleaned))
            continue;
        files.remove(cleaned);
        for (const QString& folder : foldersOnTheWay(cleaned)) {
            if (!QFileInfo(joinPath(gameDir, folder)).isDir())
                folders.remove(folder);
        }
    }
}

InstalledFiles InstalledFiles::ofArchive(const std::vector<ArchiveItem>& items)
{
    InstalledFiles tree;
    for (const ArchiveItem& item : items) {
        switch (item.kind) {
        case ArchiveItem::Kind::Directory:
            tree.folders.insert(item.path);
            tree.folders.unite(foldersOnTheWay(item.path));
            break;
        case ArchiveItem::Kind::File:
        case ArchiveItem::Kind::Symlink:
            tree.addFile(item.path);
            break;
        case ArchiveItem::Kind::Skip:
            break;
        }
    }
    return tree;
}

InstalledFiles InstalledFiles::missingFrom(const QString& gameDir) const
{
    InstalledFiles missing;
    for (const QString& file : files) {
        if (!standsThere(QFileInfo(joinPath(gameDir, file))))
            missing.files.insert(file);
    }
    for (const QString& folder : folders) {
        if (!standsThere(QFileInfo(joinPath(gameDir, folder))))
            missing.folders.insert(folder);
    }
    return missing;
}

void InstalledFiles::makeRoomFor(const QString& gameDir, const InstalledFiles& tree) const
{
    InstalledFiles obstacles;
    for (const QString& file : files) {
        if (tree.folders.contains(file))
            obstacles.files.insert(file);
    }
    for (const QString& folder : folders) {
        if (!tree.files.contains(folder))
            continue;
        obstacles.folders.insert(folder);
        const QString below = folder + QLatin1Char('/');
        for (const QString& file : files) {
            if (file.startsWith(below))
                obstacles.files.insert(file);
        }
        for (const QString& inner : folders) {
            if (inner.startsWith(below))
                obstacles.folders.insert(inner);
        }
    }
    obstacles.remove(gameDir, tree.folders);
}

InstalledFiles InstalledFiles::removeAllBut(const QString& gameDir, const InstalledFiles& tree) const
{
    InstalledFiles gone;
    gone.files = files - tree.files;
    gone.folders = folders - tree.folders;
    return gone.remove(gameDir, tree.folders);
}

InstalledFiles InstalledFiles::remove(const QString& gameDir, const QSet<QString>& keep) const
{
    Log* log = Log::instance();
    InstalledFiles left;
    QSet<QString> emptied = folders;
    QString full;
    // Nothing is removed through a link: what lies behind one is not the
    // launcher's.
    for (const QString& file : files) {
        if (!safeJoinPath(gameDir, file, full) || !foldersAreReal(gameDir, file))
            continue;
        const QFileInfo info(full);
        if (isRealFolder(info))
            continue; // a folder by now, which tree has
        const bool present = standsThere(info);
        if (present && !QFile::remove(full)) {
            log->critical(QStringLiteral("failed to remove game file: ") + full);
            left.files.insert(file);
            continue;
        }
        if (present)
            log->info(QStringLiteral("game file removed: ") + full);
        emptied.unite(foldersOnTheWay(file));
    }

    QStringList order = (emptied - keep).values();
    std::sort(order.begin(), order.end(), [](const QString& a, const QString& b) {
        return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
    });
    for (const QString& folder : qAsConst(order)) {
        if (!safeJoinPath(gameDir, folder, full) || !foldersAreReal(gameDir, folder) || !isRealFolder(QFileInfo(full)))
            continue;
        if (QDir().rmdir(full))
            log->info(QStringLiteral("game folder removed: ") + full);
        else if (folders.contains(folder))
            left.folders.insert(folder);
    }
    return left;
}
