#pragma once

#include "core/Version.h"

#include <QString>

// The note that this launcher has handed over to a copy of the version a
// manifest promised.
//
// The copy replaces the installation and starts it again. When the content
// held no newer launcher than the one running (a publisher who forgot to
// raise the build's version), the restarted launcher is still older than
// the manifest says, would find the same content and hand over again, for
// ever. So before the hand-over the job notes the promised version and
// which file the installed executable is. A later job that finds the same
// promise while the executable is another file (it was replaced, yet the
// launcher is still older) does not hand over again. An executable that is
// still the same file was not replaced (the copy failed): that hand-over is
// tried again. A higher version is a new promise and always tried.
//
// A hidden file in "Update": the download cleanup lists no hidden files, so
// it survives the restart, and the uninstall removes it with the folder.
struct LauncherHandOverMark
{
    // The "version_to" of the content handed over to.
    Version promised;
    // platform::fileIdentity of the installed executable at the hand-over.
    QString executable;

    static QString path();
    // The installed executable that a hand-over replaces: the launcher's
    // name in the application directory.
    static QString executablePath();
    // False when there is no mark. A mark that cannot be parsed holds an
    // unset version.
    static bool read(LauncherHandOverMark& out);
    // Crash-safe: the mark is there whole or not at all. Logs a failure.
    bool write() const;
};
