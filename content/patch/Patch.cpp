#include "content/patch/Patch.h"

#include "content/patch/jdiff/ApplyPatch.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/SafePath.h"
#include "core/SaturatedAdd.h"
#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>

namespace {

// fileHash reads and reports in blocks of this size.
constexpr qint64 HashBlock = 2048;

// A rename across file systems: a whole copy over to, then from goes.
bool copyAcross(const QString& from, const QString& to)
{
    if (platform::copyWholeFile(from, to) != QFileDevice::NoError)
        return false;
    QFile::remove(from);
    return true;
}

// Puts the file from in place of to, which may exist, in one step: readers
// of to see either the old file or the new one, never none. (QFile::rename
// refuses an existing destination.)
bool replaceFile(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return errno == EXDEV && copyAcross(from, to);
}

// The rebuilt file's "size" as progress counts it: a negative one counts
// as nothing.
qint64 declaredSize(const PatchContent& content)
{
    return qMax<qint64>(0, content.size());
}

} // namespace

Patch::Patch(IPatchProgress* listener) : m_listener(listener) {}

Patch::~Patch() = default;

bool Patch::load(const QString& patchDir)
{
    if (!m_config.loadFile(joinPath(patchDir, QStringLiteral("patch.conf"))))
        return false;
    m_patchDir = patchDir;
    return true;
}

bool Patch::apply(const QString& gameDir, const QString& workDir)
{
    Log::instance()->debug(QStringLiteral("applying patch to "));
    QList<Entry> modified;
    QList<Entry> added;
    QList<Entry> removed;
    m_done = 0;
    m_total = 0;
    m_gameDiffers = false;

    // Every entry is checked, and the run's size counted, before any file
    // is touched.
    if (!resolve(m_config.modified(), gameDir, workDir, modified) || !resolve(m_config.added(), gameDir, workDir, added)
        || !resolve(m_config.removed(), gameDir, workDir, removed))
        return false;
    for (const Entry& entry : qAsConst(modified)) {
        m_total = saturatedAdd(m_total, QFileInfo(entry.gameFile).size() + QFileInfo(entry.patchFile).size());
        m_total = saturatedAdd(m_total, declaredSize(entry.content));
    }
    for (const Entry& entry : qAsConst(added))
        m_total = saturatedAdd(m_total, QFileInfo(entry.patchFile).size());

    // So is every game file to rebuild: a game that is not the one the
    // patch was made for is left as it is.
    QList<Entry> toRebuild;
    for (const Entry& entry : qAsConst(modified)) {
        bool upToDate = false;
        if (!checkModified(entry, upToDate))
            return false;
        if (!upToDate)
            toRebuild.append(entry);
    }
    for (const Entry& entry : qAsConst(toRebuild)) {
        if (!applyModified(entry))
            return false;
    }

    // A path that turns from a file into a folder, or back, needs the old
    // entry gone before the new one can take its place.
    QSet<QString> addedFiles;
    QSet<QString> addedFolders;
    for (const Entry& entry : qAsConst(added)) {
        addedFiles.insert(entry.relativePath);
        addedFolders.unite(foldersOnTheWay(entry.relativePath));
    }
    QList<Entry> inTheWay;
    QList<Entry> obsolete;
    for (const Entry& entry : qAsConst(removed)) {
        const bool folderGoesThere = addedFolders.contains(entry.relativePath);
        const bool fileGoesAbove = foldersOnTheWay(entry.relativePath).intersects(addedFiles);
        (folderGoesThere || fileGoesAbove ? inTheWay : obsolete).append(entry);
    }
    for (const Entry& entry : qAsConst(inTheWay))
        applyRemoved(gameDir, entry);
    for (const Entry& entry : qAsConst(added)) {
        if (!applyAdded(entry))
            return false;
    }
    for (const Entry& entry : qAsConst(obsolete))
        applyRemoved(gameDir, entry);
    return true;
}

bool Patch::resolve(const QList<PatchContent>& contents, const QString& gameDir, const QString& workDir,
                    QList<Entry>& entries) const
{
    for (const PatchContent& content : contents) {
        if (!content.isValid())
            return false;
        Entry entry{content, QString(), QString(), QString(), QString()};
        const QString path = content.path();
        if (!safeJoinPath(QString(), path, entry.relativePath) || !safeJoinPath(gameDir, path, entry.gameFile)
            || !safeJoinPath(m_patchDir, path, entry.patchFile) || !safeJoinPath(workDir, path, entry.workFile)
            || !foldersAreReal(gameDir, path) || !foldersAreReal(workDir, path)) {
            Log::instance()->critical(QStringLiteral("patch apply invalid path: ") + path);
            return false;
        }
        entries.append(entry);
    }
    return true;
}

bool Patch::checkModified(const Entry& entry, bool& upToDate)
{
    Log* log = Log::instance();
    const QString path = entry.content.path();
    const QString sha1Old = entry.content.sha1Old();
    const QString sha1New = entry.content.sha1New();

    // A missing or unreadable game file has no digest: it is never up to
    // date, also not for an entry whose "sha1_new" is empty.
    const QString hash = fileHash(entry.gameFile, QCryptographicHash::Sha1);
    upToDate = !hash.isEmpty() && hash == sha1New;
    if (upToDate) {
        log->info(QStringLiteral("patch apply old hash match new hash for: ") + path + QStringLiteral(" actual: ") + hash
                  + QStringLiteral(" new: ") + sha1New);
        m_done = saturatedAdd(saturatedAdd(m_done, QFileInfo(entry.patchFile).size()), declaredSize(entry.content));
        return true;
    }
    if (hash.isEmpty() || hash != sha1Old) {
        log->critical(QStringLiteral("patch apply old hash mismatch for: ") + path + QStringLiteral(" actual: ") + hash
                      + QStringLiteral(" excpected: ") + sha1Old);
        m_gameDiffers = true;
        return false;
    }
    return true;
}

bool Patch::applyModified(const Entry& entry)
{
    Log* log = Log::instance();
    const QString path = entry.content.path();
    const QString sha1New = entry.content.sha1New();
    const QString& game = entry.gameFile;
    const QString& delta = entry.patchFile;
    const QString& work = entry.workFile;

    // A work file left by an earlier run, or a link under its name, is
    // removed rather than written through.
    QFile::remove(work);
    if (!makePath(QFileInfo(work).absolutePath()) || QFileInfo(work).isSymLink()) {
        log->critical(QStringLiteral("patch apply failed to create temp file: ") + work);
        return false;
    }
    // A delta that would rebuild more than the declared size is stopped
    // there, before it fills the disk; the digest would refuse it anyway.
    qint64 outputLimit = jdiff::NoOutputLimit;
    entry.content.declaredSize(outputLimit);
    const int rc = jdiff::applyPatchFiles(game, delta, work, this, outputLimit);
    m_done = saturatedAdd(m_done, QFileInfo(delta).size());
    if (rc != jdiff::Success) {
        log->critical(QStringLiteral("patch apply failed:") + QStringLiteral(" code: ") + QString::number(rc)
                      + QStringLiteral(" orig: ") + game + QStringLiteral(" patch: ") + delta
                      + QStringLiteral(" temp: ") + work);
        return false;
    }
    log->info(QStringLiteral("patch apply success: ") + QStringLiteral(" orig: ") + game + QStringLiteral(" patch:")
              + delta + QStringLiteral(" work: ") + work);

    const QString newHash = fileHash(work, QCryptographicHash::Sha1);
    if (newHash != sha1New) {
        log->critical(QStringLiteral("patch apply new hash mismatch for: ") + path + QStringLiteral(" actual: ")
                      + newHash + QStringLiteral(" excpected: ") + sha1New);
        return false;
    }

    // The rebuilt file takes the old one's place in one rename, keeping its
    // permissions (an executable stays executable).
    if (!QFile::setPermissions(work, QFile::permissions(game)) || !replaceFile(work, game)) {
        log->critical(QStringLiteral("patch apply failed to move:") + QStringLiteral(" from: ") + work
                      + QStringLiteral(" to: ") + game);
        return false;
    }
    return true;
}

bool Patch::applyAdded(const Entry& entry)
{
    Log* log = Log::instance();
    const QString& source = entry.patchFile;
    const QString& target = entry.gameFile;

    const QString dir = QFileInfo(target).dir().path();
    if (!makePath(dir))
        log->critical(QStringLiteral("patch apply failed to make path: ") + dir);
    // Only a plain file is moved in: a link would point elsewhere from its
    // new place, and a folder could carry links along.
    const QFileInfo sourceInfo(source);
    const bool plainFile = !sourceInfo.isSymLink() && sourceInfo.isFile();
    // An existing file under the name is replaced by the same rename.
    if (!plainFile || !replaceFile(source, target)) {
        log->critical(QStringLiteral("patch apply failed to add file: ") + QStringLiteral(" src: ") + source
                      + QStringLiteral(" dst: ") + target);
        return false;
    }
    log->info(QStringLiteral("patch apply add file: ") + target);
    m_done = saturatedAdd(m_done, QFileInfo(target).size());
    report();
    return true;
}

void Patch::applyRemoved(const QString& gameDir, const Entry& entry)
{
    if (!QFile::remove(entry.gameFile)) {
        Log::instance()->critical(QStringLiteral("patch apply failed to remove obsolete file: ") + entry.gameFile);
        return;
    }
    Log::instance()->info(QStringLiteral("patch apply remove obsolete file: ") + entry.gameFile);
    // The folders it leaves empty go with it, deepest first; one that holds
    // anything else (the player's own files) stays, and so do those above.
    QStringList folders = entry.relativePath.split(QLatin1Char('/'));
    for (folders.removeLast(); !folders.isEmpty(); folders.removeLast()) {
        const QString folder = joinPath(gameDir, folders.join(QLatin1Char('/')));
        if (!QDir().rmdir(folder))
            break;
        Log::instance()->info(QStringLiteral("patch apply remove empty folder: ") + folder);
    }
}

QString Patch::fileHash(const QString& path, QCryptographicHash::Algorithm algorithm)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(algorithm);
    char buffer[HashBlock];
    qint64 got = 0;
    do {
        got = file.read(buffer, HashBlock);
        if (got > 0) {
            hash.addData(buffer, int(got));
            m_done = saturatedAdd(m_done, got);
            report();
        }
    } while (got == HashBlock);
    return QString::fromLatin1(hash.result().toHex());
}

void Patch::jdiffProgress(qint64 patchPos, qint64)
{
    m_current = patchPos;
    if (m_listener)
        m_listener->patchProgress(saturatedAdd(m_done, m_current), m_total);
}

void Patch::report()
{
    if (m_listener)
        m_listener->patchProgress(m_done, m_total);
}
