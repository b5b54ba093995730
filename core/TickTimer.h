#pragma once

#include <QtGlobal>

// A millisecond stopwatch on the 32-bit tick count; right across its wrap.
class TickTimer
{
public:
    TickTimer();

    qint64 elapsed() const;
    // Starts again; returns the new start tick.
    qint64 restart();

    // now - start in 32-bit arithmetic, widened without sign.
    static qint64 ticksBetween(quint32 start, quint32 now) { return qint64(quint32(now - start)); }

private:
    quint32 m_start;
};
