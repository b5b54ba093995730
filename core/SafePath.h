#pragma once

#include <QSet>
#include <QString>

// The one check that a path taken from untrusted input (an archive item, a
// "patch.conf" entry, a link target) stays inside the folder it is meant for.
//
// Joins relativePath below baseDir and stores the result in joined: baseDir
// as joinPath() joins it, then the components of relativePath separated by
// single "/", with empty and "." components dropped ("a//./b/" gives "a/b").
// An empty baseDir gives the cleaned relative path alone.
//
// Returns false, leaving joined untouched, when relativePath
//  - is empty or names baseDir itself ("", ".", "./"),
//  - is absolute (starts with "/"),
//  - has a ".." component anywhere, even one that would stay inside,
//  - contains a NUL character.
// Only "/" separates components: on this platform a backslash or a drive
// letter is an ordinary file-name character. baseDir is trusted as given.
bool safeJoinPath(const QString& baseDir, const QString& relativePath, QString& joined);

// True when name can stand as one entry directly inside a folder: not
// empty, not "." or "..", without "/" and without NUL. For names taken from
// input that become a single file or folder name (a download's file name, a
// scratch folder named after an id).
bool isPlainFileName(const QString& name);

// True when no folder on the way from baseDir down to the last component of
// relativePath (a path safeJoinPath accepted) is a symbolic link; baseDir
// itself is trusted. A link may be harmless where it was unpacked, but a file
// written, moved or deleted through it can land anywhere, so paths from input
// are only acted on through real folders. Folders that do not exist yet count
// as real: they will be made as such.
bool foldersAreReal(const QString& baseDir, const QString& relativePath);

// The folders on the way to the last component of a cleaned relative path
// (one that safeJoinPath gives): "a" and "a/b" for "a/b/c".
QSet<QString> foldersOnTheWay(const QString& relativePath);
