#pragma once

#include <QString>

namespace platform {

// What tells one file from another at a path: the same text as long as the
// same file stands there (also when it was written to, or kept under a
// second name and put back), another one once a new file has replaced it.
// Links are followed. Empty when nothing stands at the path.
QString fileIdentity(const QString& path);

} // namespace platform
