#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>

// What a start of the launcher is asked to do.
enum LauncherAction {
    ActionNone = 0,      // the normal launcher
    ActionInstall = 1,   // "--install"
    ActionUpdate = 2,    // "--update": replace an installed launcher
    ActionUninstall = 3, // "--uninstall"
};

// Reads the launcher's command line (the program first): returns the action,
// the last one given, and fills options under the hand-over keys of
// install/HandOver.h. Literals are compared exactly; "--path" and "--pid"
// take the next argument whatever it is, a later one replacing an earlier
// value; a "--pid" that is no number gives 0; everything else is ignored.
int parseCommandLine(const QStringList& arguments, QHash<int, QVariant>& options);
