#pragma once

#include <QString>

namespace platform {

// A shortcut here is a freedesktop desktop entry: the file that menus and
// desktops recognise, named "<shown name>.desktop".
QString shellLinkSuffix();

// Writes the shortcut at linkPath, whole, and marks it executable (desktops
// refuse to start entries that are not). It starts target with no arguments;
// the name shown is the link file's name without the suffix, the picture the
// icon file at iconPath (an absolute path). Its window class
// ("StartupWMClass"), by which docks tie the running program's windows to the
// entry, is the file name of target. Returns 0, or a negative code when the
// file could not be written (the negated QFileDevice::FileError).
int createShellLink(const QString& target, const QString& linkPath, const QString& iconPath);

// The program that the shortcut at linkPath starts (the first argument of
// its Exec key, unquoted), read through a link there; empty when it is not
// a desktop entry that can be read.
QString shellLinkTarget(const QString& linkPath);

// One argument of an Exec key, quoted when it holds a reserved character and
// escaped as a desktop entry's string value.
QString desktopEntryExecArgument(const QString& argument);

} // namespace platform
