#pragma once

#include <QString>

// A byte count or a rate as a short text in the current language: GB with
// two decimals, MB with one, kB with none, once the value is more than one of
// that unit (binary multiples); otherwise the plain number of bytes.
QString formatSize(qint64 bytes);
QString formatRate(qint64 bytesPerSecond);
