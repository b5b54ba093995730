#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

namespace install {

// The "--uninstall" action. The installed launcher cannot delete its own
// files while it runs, so the uninstall takes two processes: stage 1 (no
// options) copies the launcher into a fresh temporary folder and starts the
// copy with "--uninstall", "--path" and "--pid"; stage 2 (both options, keys
// HandOverPath and HandOverPid) waits for stage 1 to end and removes the
// installation. Neither shows anything. Returns the process exit code.
int runUninstallAction(const QHash<int, QVariant>& options);

// Stage 1: 0 when the copy was started, 1 when it could not be.
int startUninstallFromTemp();

// Stage 2: waits up to 30 s for the process pid, then removes the
// installation at path with the install worker, and then the copy it runs
// from; 0. A hand-over without its path or its process id removes nothing
// and gives 1. The shortcuts and the uninstall entry, of which the product
// has one each, go only when they describe the folder at path.
int uninstallAfterParentExit(const QString& path, int pid);

} // namespace install
