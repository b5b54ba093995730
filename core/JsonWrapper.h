#pragma once

#include "core/Version.h"

#include <QJsonObject>
#include <QString>

// Base of every record read from a JSON object (the update manifest, the
// patch description). The getters are forgiving: a missing or mistyped
// member gives an empty or zero value, never an error; a record's validity
// is decided by isValid alone.
class JsonWrapper
{
public:
    virtual ~JsonWrapper() = default;

    // In the base: the object has at least one member.
    virtual bool isValid() const;

    // Replaces the object and answers isValid of the record.
    bool assign(const QJsonObject& object);

    const QJsonObject& object() const { return m_object; }

    // The string under key; empty for anything that is not a string.
    QString getString(const QString& key) const;

    // A number, or a string holding a base-10 integer; 0 for anything else
    // and for numbers outside the 64-bit range.
    qint64 getInt64(const QString& key) const;

    // False (and out untouched) when the key is missing; otherwise out is
    // assigned the value as an object (empty for a non-object) and the result
    // is true whatever out makes of it.
    bool getObject(const QString& key, JsonWrapper& out) const;

    // A dotted version string; the unset version when absent or unparsable.
    Version getVersion(const QString& key) const;

    // "version_from": the version a patch applies to.
    Version versionFrom() const { return getVersion(QStringLiteral("version_from")); }

protected:
    QJsonObject m_object;
};
