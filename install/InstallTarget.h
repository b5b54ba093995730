#pragma once

#include <QSet>
#include <QString>

namespace install {

// What a chosen installation folder is to an install. The uninstall later
// removes the launcher's files and its working data ("Game", "Update",
// "UpdateTemp", "log.txt", "QMXLauncher.conf") by name from the folder, so
// an install goes only where nothing of others can carry those names.
enum class TargetFolder {
    // Does not exist yet, is empty, holds only the settings file
    // "QMXLauncher.conf" put there beforehand (or its unreadable copies that
    // loading kept aside) or what an uninstall leaves (the session state
    // "Session.conf", the emptied subfolders of the launcher's files), or
    // holds an installation of this launcher (its executable or its record
    // of installed files) and nothing but its files, those of the releases
    // the record names among them.
    Usable,
    // Not an absolute path, or the path or the nearest existing folder
    // above it is not a folder.
    NotAFolder,
    // Holds files or folders of others.
    Occupied,
};

TargetFolder examineTargetFolder(const QString& path);

// The path itself when it is an existing folder, or else the nearest one
// above it that exists; empty when the path is not absolute or that nearest
// existing entry is not a folder.
QString nearestExistingFolder(const QString& path);

// Whether a folder holds an installed launcher: its executable.
bool holdsLauncher(const QString& folder);

// An installation path as the installer examines and records it: "/"
// separators, no "." or ".." components, no doubled or trailing "/". A
// ".." through a folder that does not exist ("~/Games/new/..") would
// otherwise name a new folder to the examination and the folder above it
// to the file system.
QString cleanInstallPath(const QString& path);

// The subfolders the launcher's files of this release lie in.
QSet<QString> launcherFolderNames();
// Whether a top-level name in an installation is its working data or the
// installer's own records rather than a launcher file.
bool isWorkingDataName(const QString& name);

} // namespace install
