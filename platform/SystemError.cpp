#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

namespace platform {

QString systemErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace platform
