#pragma once

#include "content/archive/ArchiveItem.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// What the launcher's contents put into "Game": every file (or link) and
// every folder, by its path relative to "Game" ("/"-separated, cleaned as
// safeJoinPath cleans it). Whatever is not on record is the player's own
// (screenshots, settings, mods) or comes from an older launcher that kept no
// record, and is never removed or replaced on account of a release.
//
// The record is "Update/.game-files", a JSON object with the sorted lists
// "files" and "folders", written whole through the crash-safe writer. It is
// kept a superset of what the launcher put there: what an install is about
// to add is written before the install starts, what it removed only after.
// A hidden file, so the download cleanup keeps it, and the uninstall removes
// it with the folder. Without a record (or with one that cannot be read) it
// is empty, and nothing is taken for the launcher's.
struct InstalledFiles
{
    QSet<QString> files;
    QSet<QString> folders;

    static QString path();
    static InstalledFiles read();
    // Logs a failure.
    bool write() const;

    // A file with the folders on its way; a path that safeJoinPath refuses
    // is left out.
    void addFile(const QString& relativePath);
    void unite(const InstalledFiles& other);
    // After a patch removed these files: they and the folders on their way
    // that are gone from gameDir are no longer on record.
    void forgetRemoved(const QString& gameDir, const QStringList& relativePaths);

    // The tree that an archive's items make in the folder they are unpacked
    // into.
    static InstalledFiles ofArchive(const std::vector<ArchiveItem>& items);
    // The entries of this tree that nothing stands under in gameDir yet.
    InstalledFiles missingFrom(const QString& gameDir) const;

    // Clears the way in gameDir for tree where the launcher's own entries
    // stand in it: a recorded file or link where tree has a folder, a
    // recorded folder (with what is on record below it) where tree has a
    // file. A folder that then still holds anything stays.
    void makeRoomFor(const QString& gameDir, const InstalledFiles& tree) const;
    // Removes from gameDir the files and links on record that tree lacks,
    // then the folders on record, or left empty by those removals, that
    // tree lacks and that hold nothing. Returns what of it is still there
    // (and so stays on record).
    InstalledFiles removeAllBut(const QString& gameDir, const InstalledFiles& tree) const;

private:
    // Removes these files, then these folders and those the files leave,
    // deepest first, while they are empty; never a folder in keep. Returns
    // what is still there.
    InstalledFiles remove(const QString& gameDir, const QSet<QString>& keep) const;
};
