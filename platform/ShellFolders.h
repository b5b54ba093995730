#pragma once

#include <QString>

namespace platform {

// The per-user folders that the launcher asks for, numbered as the
// Windows shell numbers them so that callers read like the original calls.
enum ShellFolder {
    FolderStartMenu = 11,
    FolderDesktopDirectory = 16,
    FolderAppData = 26,
    FolderLocalAppData = 28,
};

// Resolves one of the folders above on this desktop:
//   AppData       $XDG_CONFIG_HOME, else ~/.config
//   LocalAppData  $XDG_DATA_HOME, else ~/.local/share
//   StartMenu     the "applications" folder below LocalAppData
//   Desktop       XDG_DESKTOP_DIR from user-dirs.dirs, else ~/Desktop
// Returns false (and leaves *out alone) when the folder cannot be
// determined: no usable XDG variable and no home directory.
bool shellFolder(int folder, QString* out);

} // namespace platform
