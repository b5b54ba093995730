#pragma once

class UpdateInfo;

// Removes what earlier update work left in the application directory: the
// whole "UpdateTemp" directory, and every plain file directly in "Update"
// whose name (ignoring case) is not the "name" of a content of the game or
// the launcher in manifest. Archives the manifest still lists stay, so that
// a torrent added again finds its data. Each removal is logged; nothing is
// reported to the caller. Runs on the update job's thread.
void cleanupDownloads(const UpdateInfo& manifest);
