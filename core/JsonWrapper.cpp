#include "core/JsonWrapper.h"

#include <QJsonValue>
#include <QVariant>

#include <cmath>

bool JsonWrapper::isValid() const
{
    return !m_object.isEmpty();
}

bool JsonWrapper::assign(const QJsonObject& object)
{
    m_object = object;
    return isValid();
}

QString JsonWrapper::getString(const QString& key) const
{
    return m_object.value(key).toString();
}

qint64 JsonWrapper::getInt64(const QString& key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isDouble()) {
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        const double number = value.toDouble();
        if (!std::isfinite(number) || number >= 9223372036854775808.0 || number < -9223372036854775808.0)
            return 0;
        return QVariant(number).toLongLong();
    }
    if (value.isString())
        return QVariant(value.toString()).toLongLong();
    return 0;
}

bool JsonWrapper::getObject(const QString& key, JsonWrapper& out) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd())
        return false;
    out.assign(it.value().toObject());
    return true;
}

Version JsonWrapper::getVersion(const QString& key) const
{
    return Version::fromString(getString(key));
}
