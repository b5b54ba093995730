#pragma once

#include "content/patch/PatchContent.h"
#include "core/JsonWrapper.h"

#include <QList>

// "patch.conf", the description of an unpacked patch directory:
//   {"version_from": "1.2.3",
//    "patch": {"modified": [entry...], "added": [entry...], "removed": [entry...]}}
class PatchConfig : public JsonWrapper
{
public:
    // Reads and parses the file. A file that cannot be opened or parsed is
    // logged and leaves the record as it was; otherwise the file's top-level
    // object replaces the record's (empty for a non-object) and the result
    // says whether it has any member.
    bool loadFile(const QString& path);

    // The entries of the list "patch"/key in file order; empty when either
    // level is missing or of another type. An element that is not an object
    // gives an invalid entry in its place.
    QList<PatchContent> entries(const QString& key) const;

    QList<PatchContent> added() const { return entries(QStringLiteral("added")); }
    QList<PatchContent> modified() const { return entries(QStringLiteral("modified")); }
    QList<PatchContent> removed() const { return entries(QStringLiteral("removed")); }
};
