#pragma once

// The publishing side of an update, for tests, benchmarks and the demo:
// from one folder per version of a game it builds a release folder that a
// plain HTTP server can serve to the launcher: full packages and patch
// archives (7z, made with the "7z" command), each patch a directory with
// "patch.conf" and JojoDiff deltas, optionally a .torrent per archive whose
// web seeds are its HTTP mirrors, and the manifest "update.json".

#include "core/Version.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace publish {

struct PatchStep
{
    Version from;
    Version to;
};

struct ReleaseOptions
{
    // One folder per version, named "major.minor.build"; other entries are ignored.
    QString versionsDir;
    // Created when missing; receives the archives and "update.json".
    QString outDir;
    // HTTP mirrors of the release folder: each content's "http" lists
    // every base URL followed by "/" and the archive's name.
    QStringList baseUrls;
    // The versions published as full packages; empty: the newest one.
    QList<Version> fulls;
    // The patches; empty: one from each version folder to the next.
    QList<PatchStep> patches;
    QString platform = QStringLiteral("win64");
    // The launcher product's "version"; invalid: the running launcher's own,
    // so that the launcher is never offered as newer.
    Version launcherVersion;
    // 7z compression level, 0 (store) to 9.
    int compressionLevel = 5;
    // Offer every content by BitTorrent as well: "<archive>.torrent" beside
    // each archive, its web seeds the content's "http" URLs, named by the
    // content's "torrent" on the first base URL.
    bool torrents = false;
    // A folder holding a new launcher's files: published as the launcher
    // product's one content, the full package "qmx_launcher_full_<version>"
    // of launcherVersion. Empty: the launcher product lists no contents.
    QString launcherDir;
};

// One content as the manifest describes it, with where its archive lies.
struct PublishedContent
{
    QString id;
    QString name;
    QString platform;
    Version versionFrom; // invalid for a full package
    Version versionTo;
    qint64 size = 0;
    QStringList httpUrls;
    QString torrentUrl; // empty: no "torrent" member
    QString archivePath;
    QString torrentPath; // the .torrent written beside the archive, if any

    QJsonObject toJson() const;
};

struct Release
{
    Version gameVersion;
    qint64 installSize = 0;
    Version launcherVersion;
    QList<PublishedContent> contents;
    QList<PublishedContent> launcherContents;

    // The manifest: the game product "qmx" with its contents and the
    // launcher product "qmx_launcher_en" with its own. Built from the fields
    // above, so a test may change them first.
    QJsonObject manifest() const;
};

// Builds the archives and writes "update.json" into the release folder.
// False with a reason in *error (when given) on the first failure.
bool publishRelease(const ReleaseOptions& options, Release& release, QString* error = nullptr);

// Writes a manifest as indented JSON.
bool writeManifest(const QString& path, const QJsonObject& manifest, QString* error = nullptr);

// The building blocks of publishRelease.

// The version folders below dir, ascending.
QList<Version> versionFolders(const QString& dir);

// Fills patchDir with the patch that turns the files of fromDir into those
// of toDir: a delta per changed file, a copy per new file, "patch.conf"
// naming them, the removed files and fromVersion.
bool buildPatchDirectory(const QString& fromDir, const QString& toDir, const Version& fromVersion,
                         const QString& patchDir, QString* error = nullptr);

// A 7z archive of everything below sourceDir, paths relative to it. An
// existing archive at archivePath is replaced.
bool makeArchive(const QString& sourceDir, const QString& archivePath, int compressionLevel,
                 QString* error = nullptr);

// Writes a .torrent (BitTorrent v1) of the file at contentPath, or of every
// file below the folder at contentPath (a multi-file torrent named after the
// folder), with the web seeds and tracker announce URLs given, in order.
bool makeTorrent(const QString& contentPath, const QStringList& webSeeds, const QStringList& trackers,
                 const QString& torrentPath, QString* error = nullptr);

} // namespace publish
