#include "tools/publish/Publisher.h"

#include "core/ProductInfo.h"
#include "core/SafePath.h"
#include "tools/jdiff-encode/JDiffEncoder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QSaveFile>

#include <libtorrent/create_torrent.hpp>
#include <libtorrent/file_storage.hpp>

#include <algorithm>
#include <exception>
#include <iterator>

namespace publish {
namespace {

const QString kGameId = QStringLiteral("qmx");
const QString kLauncherId = QStringLiteral("qmx_launcher_en");
const QString kPatchConf = QStringLiteral("patch.conf");

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Relative path -> absolute path of every file below dir, given relative or
// absolute. (QDir::relativeFilePath hands a relative path back unchanged, so
// both sides are made absolute first.)
QMap<QString, QString> filesBelow(const QString& dir)
{
    QMap<QString, QString> files;
    const QDir base(QFileInfo(dir).absoluteFilePath());
    QDirIterator it(base.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(base.relativeFilePath(path), path);
    }
    return files;
}

// Whether the file of a patch entry lies inside the tree it is taken from,
// links resolved: a patch carries nothing from elsewhere, and each entry
// names its file as the game folder will hold it.
bool liesInside(const QString& tree, const QString& entry)
{
    QString joined;
    if (!safeJoinPath(tree, entry, joined))
        return false;
    const QString root = QFileInfo(tree).canonicalFilePath();
    const QString file = QFileInfo(joined).canonicalFilePath();
    return !root.isEmpty() && file.startsWith(root + QLatin1Char('/'));
}

bool treeLiesInside(const QString& tree, const QMap<QString, QString>& files, QString* error)
{
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        if (!liesInside(tree, it.key()))
            return fail(error, QStringLiteral("%1 does not lie inside %2: no patch is written").arg(it.value(), tree));
    }
    return true;
}

QString sha1Hex(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

bool copyInto(const QString& source, const QString& target, QString* error)
{
    if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target))
        return fail(error, QStringLiteral("cannot copy %1 to %2").arg(source, target));
    return true;
}

qint64 folderSize(const QString& dir)
{
    qint64 size = 0;
    for (const QString& path : filesBelow(dir))
        size += QFileInfo(path).size();
    return size;
}

QString versionDir(const ReleaseOptions& options, const Version& version)
{
    return QDir(options.versionsDir).filePath(version.toString());
}

bool addContent(const ReleaseOptions& options, const QString& id, const Version& from, const Version& to,
                const QString& sourceDir, QList<PublishedContent>& contents, QString* error)
{
    PublishedContent content;
    content.id = id;
    content.name = id + QStringLiteral(".7z");
    content.platform = options.platform;
    content.versionFrom = from;
    content.versionTo = to;
    content.archivePath = QDir(options.outDir).filePath(content.name);
    if (!makeArchive(sourceDir, content.archivePath, options.compressionLevel, error))
        return false;
    content.size = QFileInfo(content.archivePath).size();
    for (const QString& base : options.baseUrls)
        content.httpUrls.append(base + QLatin1Char('/') + content.name);
    if (options.torrents) {
        const QString torrentName = content.name + QStringLiteral(".torrent");
        content.torrentPath = QDir(options.outDir).filePath(torrentName);
        if (!makeTorrent(content.archivePath, content.httpUrls, {}, content.torrentPath, error))
            return false;
        if (!options.baseUrls.isEmpty())
            content.torrentUrl = options.baseUrls.first() + QLatin1Char('/') + torrentName;
    }
    contents.append(content);
    return true;
}

QJsonArray toJson(const QList<PublishedContent>& contents)
{
    QJsonArray list;
    for (const PublishedContent& content : contents)
        list.append(content.toJson());
    return list;
}

} // namespace

QJsonObject PublishedContent::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("platform"), platform},
        {QStringLiteral("version_to"), versionTo.toString()},
        {QStringLiteral("size"), double(size)},
        {QStringLiteral("http"), QJsonArray::fromStringList(httpUrls)},
    };
    if (versionFrom.isValid())
        object.insert(QStringLiteral("version_from"), versionFrom.toString());
    if (!torrentUrl.isEmpty())
        object.insert(QStringLiteral("torrent"), torrentUrl);
    return object;
}

QJsonObject Release::manifest() const
{
    return QJsonObject{
        {kGameId, QJsonObject{{QStringLiteral("version"), gameVersion.toString()},
                              {QStringLiteral("size"), double(installSize)},
                              {QStringLiteral("content"), toJson(contents)}}},
        {kLauncherId, QJsonObject{{QStringLiteral("version"), launcherVersion.toString()},
                                  {QStringLiteral("content"), toJson(launcherContents)}}},
    };
}

QList<Version> versionFolders(const QString& dir)
{
    QList<Version> versions;
    for (const QString& name : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const Version version = Version::fromString(name);
        if (version.isValid() && version.toString() == name)
            versions.append(version);
    }
    std::sort(versions.begin(), versions.end());
    return versions;
}

bool buildPatchDirectory(const QString& fromDir, const QString& toDir, const Version& fromVersion,
                         const QString& patchDir, QString* error)
{
    const QMap<QString, QString> oldFiles = filesBelow(fromDir);
    const QMap<QString, QString> newFiles = filesBelow(toDir);
    if (newFiles.contains(kPatchConf))
        return fail(error, QStringLiteral("a game file named %1 at the top would hide the patch description")
                               .arg(kPatchConf));
    if (!treeLiesInside(fromDir, oldFiles, error) || !treeLiesInside(toDir, newFiles, error))
        return false;
    if (!QDir().mkpath(patchDir))
        return fail(error, QStringLiteral("cannot create %1").arg(patchDir));

    QJsonArray modified, added, removed;
    for (auto it = newFiles.constBegin(); it != newFiles.constEnd(); ++it) {
        const QString& path = it.key();
        const QString target = QDir(patchDir).filePath(path);
        if (!oldFiles.contains(path)) {
            if (!copyInto(it.value(), target, error))
                return false;
            added.append(QJsonObject{{QStringLiteral("path"), path}});
            continue;
        }
        const QString oldFile = oldFiles.value(path);
        const qint64 newSize = QFileInfo(it.value()).size();
        const QString sha1Old = sha1Hex(oldFile);
        const QString sha1New = sha1Hex(it.value());
        if (sha1Old == sha1New && QFileInfo(oldFile).size() == newSize)
            continue;
        QString reason;
        if (!QDir().mkpath(QFileInfo(target).absolutePath())
            || !jdiff::encodeFiles(oldFile, it.value(), target, &reason))
            return fail(error, QStringLiteral("cannot encode the delta of %1: %2").arg(path, reason));
        modified.append(QJsonObject{{QStringLiteral("path"), path},
                                    {QStringLiteral("sha1_old"), sha1Old},
                                    {QStringLiteral("sha1_new"), sha1New},
                                    {QStringLiteral("size"), double(newSize)}});
    }
    for (auto it = oldFiles.constBegin(); it != oldFiles.constEnd(); ++it) {
        if (!newFiles.contains(it.key()))
            removed.append(QJsonObject{{QStringLiteral("path"), it.key()}});
    }

    const QJsonObject config{
        {QStringLiteral("version_from"), fromVersion.toString()},
        {QStringLiteral("patch"), QJsonObject{{QStringLiteral("modified"), modified},
                                              {QStringLiteral("added"), added},
                                              {QStringLiteral("removed"), removed}}},
    };
    return writeManifest(QDir(patchDir).filePath(kPatchConf), config, error);
}

bool makeArchive(const QString& sourceDir, const QString& archivePath, int compressionLevel, QString* error)
{
    // "7z a" adds to an existing archive; start afresh.
    QFile::remove(archivePath);
    if (!QDir().mkpath(QFileInfo(archivePath).absolutePath()))
        return fail(error, QStringLiteral("cannot create the folder of %1").arg(archivePath));
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(sourceDir);
    sevenZip.setProcessChannelMode(QProcess::MergedChannels);
    sevenZip.start(QStringLiteral("7z"),
                   {QStringLiteral("a"), QStringLiteral("-t7z"), QStringLiteral("-mx=%1").arg(compressionLevel),
                    QStringLiteral("-bd"), QStringLiteral("-y"), QFileInfo(archivePath).absoluteFilePath(),
                    QStringLiteral(".")});
    if (!sevenZip.waitForStarted())
        return fail(error, QStringLiteral("cannot start 7z: %1").arg(sevenZip.errorString()));
    sevenZip.waitForFinished(-1);
    if (sevenZip.exitStatus() != QProcess::NormalExit || sevenZip.exitCode() != 0)
        return fail(error, QStringLiteral("7z failed on %1: %2")
                               .arg(sourceDir, QString::fromLocal8Bit(sevenZip.readAll()).trimmed()));
    return true;
}

bool makeTorrent(const QString& contentPath, const QStringList& webSeeds, const QStringList& trackers,
                 const QString& torrentPath, QString* error)
{
    const QFileInfo content(contentPath);
    if (!content.exists())
        return fail(error, QStringLiteral("no file or folder %1 to make a torrent of").arg(contentPath));
    try {
        namespace lt = libtorrent;
        // The files in the order of their paths, so that the same folder
        // always gives the same torrent.
        lt::file_storage files;
        if (content.isDir()) {
            const QMap<QString, QString> below = filesBelow(content.absoluteFilePath());
            for (auto it = below.constBegin(); it != below.constEnd(); ++it)
                files.add_file(QFile::encodeName(content.fileName() + QLatin1Char('/') + it.key()).toStdString(),
                               QFileInfo(it.value()).size());
        } else {
            files.add_file(QFile::encodeName(content.fileName()).toStdString(), content.size());
        }
        if (files.num_files() == 0)
            return fail(error, QStringLiteral("no file below %1").arg(contentPath));
        lt::create_torrent torrent(files, 0, lt::create_torrent::v1_only);
        for (const QString& url : webSeeds)
            torrent.add_url_seed(url.toStdString());
        for (int i = 0; i < trackers.size(); ++i)
            torrent.add_tracker(trackers.at(i).toStdString(), i);
        torrent.set_creator("publish-release");
        lt::error_code hashError;
        lt::set_piece_hashes(torrent, QFile::encodeName(content.absolutePath()).toStdString(), hashError);
        if (hashError)
            return fail(error, QStringLiteral("cannot hash %1: %2")
                                   .arg(contentPath, QString::fromStdString(hashError.message())));
        std::vector<char> bytes;
        lt::bencode(std::back_inserter(bytes), torrent.generate());
        QSaveFile file(torrentPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) < 0
            || !file.commit())
            return fail(error, QStringLiteral("cannot write %1: %2").arg(torrentPath, file.errorString()));
    } catch (const std::exception& e) {
        return fail(error, QStringLiteral("cannot make a torrent of %1: %2").arg(contentPath, e.what()));
    }
    return true;
}

bool writeManifest(const QString& path, const QJsonObject& manifest, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(manifest).toJson(QJsonDocument::Indented)) < 0
        || !file.commit())
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

bool publishRelease(const ReleaseOptions& options, Release& release, QString* error)
{
    const QList<Version> versions = versionFolders(options.versionsDir);
    if (versions.isEmpty())
        return fail(error, QStringLiteral("no version folder in %1").arg(options.versionsDir));

    QList<Version> fulls = options.fulls;
    if (fulls.isEmpty())
        fulls.append(versions.last());
    QList<PatchStep> patches = options.patches;
    if (patches.isEmpty()) {
        for (int i = 1; i < versions.size(); ++i)
            patches.append({versions.at(i - 1), versions.at(i)});
    }
    for (const Version& version : fulls) {
        if (!versions.contains(version))
            return fail(error, QStringLiteral("no folder for version %1").arg(version.toString()));
    }
    for (const PatchStep& step : patches) {
        if (!versions.contains(step.from) || !versions.contains(step.to))
            return fail(error, QStringLiteral("no folders for the patch %1 to %2")
                                   .arg(step.from.toString(), step.to.toString()));
    }

    if (!QDir().mkpath(options.outDir))
        return fail(error, QStringLiteral("cannot create %1").arg(options.outDir));
    release = Release();
    release.gameVersion = versions.last();
    release.installSize = folderSize(versionDir(options, versions.last()));
    release.launcherVersion = options.launcherVersion.isValid() ? options.launcherVersion
                                                                : launcherProductInfo().version;

    for (const Version& version : fulls) {
        if (!addContent(options, QStringLiteral("qmx_full_") + version.toString(), Version(), version,
                        versionDir(options, version), release.contents, error))
            return false;
    }
    if (!options.launcherDir.isEmpty()
        && !addContent(options, QStringLiteral("qmx_launcher_full_") + release.launcherVersion.toString(),
                       Version(), release.launcherVersion, options.launcherDir, release.launcherContents, error))
        return false;
    const QString staging = QDir(options.outDir).filePath(QStringLiteral(".staging"));
    for (const PatchStep& step : patches) {
        const QString id = QStringLiteral("qmx_patch_%1_%2").arg(step.from.toString(), step.to.toString());
        const QString patchDir = QDir(staging).filePath(id);
        QDir(patchDir).removeRecursively();
        const bool built = buildPatchDirectory(versionDir(options, step.from), versionDir(options, step.to),
                                               step.from, patchDir, error)
                           && addContent(options, id, step.from, step.to, patchDir, release.contents, error);
        QDir(patchDir).removeRecursively();
        if (!built)
            return false;
    }
    QDir(staging).removeRecursively();

    return writeManifest(QDir(options.outDir).filePath(QStringLiteral("update.json")), release.manifest(), error);
}

} // namespace publish
