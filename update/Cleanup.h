#pragma once

#include <QSet>
#include <QString>

class UpdateInfo;

// Removes what earlier update work left in the application directory: the
// whole "UpdateTemp" directory, and every plain file directly in "Update"
// whose name (ignoring case) is neither the "name" of a content of the game
// or the launcher in manifest nor one of inUse. Archives the manifest still
// lists stay, so that a torrent added again finds its data; so do the files
// that torrents of the running session hold (inUse), whose names come from
// their .torrent and may differ from the manifest's. Each removal is logged;
// nothing is reported to the caller. Runs on the update job's thread.
void cleanupDownloads(const UpdateInfo& manifest, const QSet<QString>& inUse = QSet<QString>());
