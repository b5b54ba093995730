#include "content/patch/PatchContent.h"

#include <QJsonValue>

#include <cmath>

bool PatchContent::declaredSize(qint64& out) const
{
    const QJsonValue value = m_object.value(QStringLiteral("size"));
    if (value.isDouble()) {
        const double number = value.toDouble();
        // getInt64 reads numbers beyond the 64-bit range as 0, which would
        // declare an empty file.
        if (!(number >= 0 && number < 9223372036854775808.0) || std::floor(number) != number)
            return false;
        out = getInt64(QStringLiteral("size"));
        return true;
    }
    if (value.isString()) {
        bool ok = false;
        const qlonglong number = value.toString().toLongLong(&ok, 10);
        if (!ok || number < 0)
            return false;
        out = number;
        return true;
    }
    return false;
}
