#include "platform/TickCount.h"

#include <time.h>

namespace platform {

quint32 tickCount()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const quint64 ms = quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    return quint32(ms);
}

} // namespace platform
