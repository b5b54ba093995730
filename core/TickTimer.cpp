#include "core/TickTimer.h"

#include "platform/TickCount.h"

TickTimer::TickTimer() : m_start(platform::tickCount()) {}

qint64 TickTimer::elapsed() const
{
    return ticksBetween(m_start, platform::tickCount());
}

qint64 TickTimer::restart()
{
    m_start = platform::tickCount();
    return qint64(m_start);
}
