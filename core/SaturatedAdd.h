#pragma once

#include <QtGlobal>

#include <limits>

// a + b, held at the ends of the 64-bit range instead of overflowing: for
// sums of sizes that come from input (a manifest, "patch.conf").
inline qint64 saturatedAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}
