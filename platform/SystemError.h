#pragma once

#include <QString>

namespace platform {

// Why the last system call of this thread that failed did (errno), in the
// system's words, for log lines.
QString systemErrorText();

} // namespace platform
