#pragma once

#include <QHash>
#include <QVariant>

// The "--update" action, run by the new launcher that the running one has
// unpacked under "UpdateTemp" and started: waits for the old process (key
// install::HandOverPid) to end, copies the launcher files from its own
// directory over the installation (key install::HandOverPath, the old
// executable or its directory), rewrites the uninstall entry with its own
// version and starts the installed launcher. Returns the process exit code:
// 0 when the files were replaced, 1 when an option is missing or the
// replacement failed. A missing option is reported in a message box where
// there is a screen; a path that is not absolute or holds no launcher
// (neither an installation folder nor a file in one) changes nothing.
// Once the path names an installation, the log lines go to its "log.txt".
int runSelfUpdate(const QHash<int, QVariant>& options);
