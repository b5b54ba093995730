#include "core/Format.h"

#include "core/TR.h"

namespace {

struct UnitKeys
{
    const char* gb;
    const char* mb;
    const char* kb;
    const char* bytes;
};

QString formatAmount(qint64 value, const UnitKeys& keys)
{
    // The quotients are single precision on purpose: just above 2^30 bytes
    // the quotient still rounds to 1.0 and the value shows in MB.
    const double v = double(value);
    const float gb = float(v * (1.0 / 1073741824.0));
    const float mb = float(v * (1.0 / 1048576.0));
    const float kb = float(v * (1.0 / 1024.0));
    const QString form = QStringLiteral("%0 %1");
    if (gb > 1.0f)
        return form.arg(double(gb), 0, 'f', 2).arg(TR::tr(keys.gb));
    if (mb > 1.0f)
        return form.arg(double(mb), 0, 'f', 1).arg(TR::tr(keys.mb));
    if (kb > 1.0f)
        return form.arg(double(kb), 0, 'f', 0).arg(TR::tr(keys.kb));
    return form.arg(value).arg(TR::tr(keys.bytes));
}

} // namespace

QString formatSize(qint64 bytes)
{
    return formatAmount(bytes, {"SizeGB", "SizeMB", "SizeKB", "SizeB"});
}

QString formatRate(qint64 bytesPerSecond)
{
    return formatAmount(bytesPerSecond, {"RateGB", "RateMB", "RateKB", "RateB"});
}
