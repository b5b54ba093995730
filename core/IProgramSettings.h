#pragma once

#include <QString>
#include <QVariant>

// The launcher's settings store as its users see it: flat keys, variant values.
class IProgramSettings
{
public:
    virtual ~IProgramSettings() = default;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    // An invalid QVariant for a key that was never set.
    virtual QVariant value(const QString& key) const = 0;
};
