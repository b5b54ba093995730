#pragma once

#include "core/JsonWrapper.h"

// One file entry of "patch.conf": {"path", "sha1_old", "sha1_new", "size"}.
// Valid when its object is not empty; the applier decides what else it needs.
class PatchContent : public JsonWrapper
{
public:
    // Relative to the game directory, and to the patch directory for the
    // entry's delta or new file. Untrusted: joined with safeJoinPath.
    QString path() const { return getString(QStringLiteral("path")); }
    // Lower-case hexadecimal SHA-1 of the game file before and after.
    QString sha1Old() const { return getString(QStringLiteral("sha1_old")); }
    QString sha1New() const { return getString(QStringLiteral("sha1_new")); }
    // Size of the rebuilt file, a number or a decimal string; 0 otherwise.
    qint64 size() const { return getInt64(QStringLiteral("size")); }
    // The same when the entry really declares one: "size" is there and reads
    // as a whole number of at least 0. Anything else declares nothing.
    bool declaredSize(qint64& out) const;
};
