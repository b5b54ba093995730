#pragma once

#include <QString>

namespace testsupport {

// What desktop-file-validate (desktop-file-utils) finds wrong with a desktop
// entry: its complaints, empty when the entry is valid.
QString desktopFileProblems(const QString& path);

} // namespace testsupport
