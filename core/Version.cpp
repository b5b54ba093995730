#include "core/Version.h"

#include <QStringList>

Version Version::fromString(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 3)
        return Version();
    int values[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        values[i] = parts.at(i).toInt(&ok, 10);
        if (!ok)
            return Version();
    }
    return Version(values[0], values[1], values[2]);
}

QString Version::toString() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

bool Version::operator<(const Version& other) const
{
    if (major != other.major)
        return major < other.major;
    if (minor != other.minor)
        return minor < other.minor;
    return build < other.build;
}
