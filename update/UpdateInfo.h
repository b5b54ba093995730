#pragma once

#include "core/JsonWrapper.h"

#include <QList>
#include <QUrl>

// The update manifest: one JSON object whose members are products keyed by
// their id ("qmx" for the game, "qmx_launcher_en" for the launcher). The
// records are read-only views; every getter falls back to an empty value
// for a missing or mistyped member, so a malformed manifest is judged by
// what the engine makes of those values, never by an error here.

// One downloadable content of a product: a full package (no valid
// "version_from") or a patch from "version_from" to "version_to".
class UpdateContent : public JsonWrapper
{
public:
    UpdateContent() = default;
    explicit UpdateContent(const QJsonObject& object) { m_object = object; }

    QString id() const { return getString(QStringLiteral("id")); }
    // The archive's file name; checked before it names anything on disk.
    QString name() const { return getString(QStringLiteral("name")); }
    QString platform() const { return getString(QStringLiteral("platform")); }
    Version versionTo() const { return getVersion(QStringLiteral("version_to")); }
    qint64 size() const { return getInt64(QStringLiteral("size")); }

    bool isFullPackage() const { return !versionFrom().isValid(); }

    // "torrent" is a string that is not blank.
    bool hasTorrent() const;
    QUrl torrentUrl() const;
    // "http" is a non-empty array.
    bool hasHttp() const;
    QList<QUrl> httpUrls() const;
};

// One product: its newest "version" and its "content" list.
class ProductUpdateInfo : public JsonWrapper
{
public:
    bool isValid() const override { return true; }

    Version version() const { return getVersion(QStringLiteral("version")); }
    QList<UpdateContent> contents() const;
    // The first "id" that two of the contents carry; empty when each is
    // unique. Contents without an id are never installed and do not count.
    QString duplicateContentId() const;
};

// The whole manifest; valid when it has at least one member.
class UpdateInfo : public JsonWrapper
{
public:
    // Why the manifest cannot be used, for the log; empty when it can. The
    // game and the launcher product, where present, carry a "version" that
    // reads as a valid version: anything else (120, "") would never be newer
    // than what is installed, and a fresh install would end up to date over
    // an empty game. Neither lists two contents with one "id": an installed
    // content is known by its id alone.
    QString problem() const;
};

extern const QString kGameProductId;     // "qmx"
extern const QString kLauncherProductId; // "qmx_launcher_en"

// The order in which a product's contents are walked when choosing what to
// install: patches ascending by "version_from", then by "version_to"; after
// them the full packages ascending by "version_to".
bool lessThan(const UpdateContent& a, const UpdateContent& b);
