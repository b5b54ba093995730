#pragma once

#include <QtGlobal>

namespace platform {

// Milliseconds of the monotonic clock as an unsigned 32-bit value; it wraps
// after about 49.7 days, so differences must be taken in 32-bit arithmetic.
quint32 tickCount();

} // namespace platform
