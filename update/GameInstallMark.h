#pragma once

#include "core/Version.h"

#include <QString>

// The note that a full package is being, or has been, unpacked over "Game".
//
// The main window records a content as installed only after the engine has
// put it in place, and a run that ends before (a kill, a power cut, a full
// disk half-way through) leaves the settings naming the version from before,
// although "Game" now holds files of the package: the patches of that older
// version no longer apply to them. Written before the unpack starts, the
// mark lets the next job tell. While the installed version is still the one
// the mark holds, the game counts as not installed, so the full package is
// unpacked again; once another version is recorded the mark has done its
// work. It also tells the next job that an unpack into "Game" may have been
// cut short and left its temporary files there.
//
// A hidden file in "Update": the download cleanup lists no hidden files, so
// it stays there across jobs, and the uninstall removes it with the folder.
struct GameInstallMark
{
    // The installed version when the unpack began (unset when none was).
    Version recorded;
    // The "version_to" of the package being unpacked.
    Version unpacking;

    static QString path();
    // False when there is no mark. A mark that cannot be parsed holds unset
    // versions.
    static bool read(GameInstallMark& out);
    // Crash-safe: the mark is there whole or not at all. Logs a failure.
    bool write() const;
    static void remove();
};
