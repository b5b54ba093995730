#pragma once

#include "content/archive/SevenZipAbi.h"

#include <QString>

#include <ctime>

namespace sevenzip {
class Library;
}

// What one item of an archive asks to be written, checked before anything
// is written.
struct ArchiveItem {
    enum class Kind {
        Directory,
        File,
        // A symbolic link whose target is the item's data; the target is
        // checked once the data has arrived.
        Symlink,
        // Nothing to write: an "anti" item (a deletion mark of update
        // archives) carries no data.
        Skip,
    };

    Kind kind = Kind::Skip;
    // Relative to the destination, "/"-separated, cleaned by safeJoinPath.
    QString path;
    // Permission bits (no set-id or sticky bits) when the archive keeps a
    // POSIX mode; otherwise new files get the process's default.
    bool hasMode = false;
    unsigned mode = 0;
    bool hasModificationTime = false;
    timespec modificationTime{};

    // Reads item index of an opened archive. False with a reason when the
    // item must be refused: a name that is not valid text or would leave
    // the destination, an encrypted item, a hard link.
    static bool read(const sevenzip::Library& library, sevenzip::IInArchive* archive, std::uint32_t index,
                     ArchiveItem& item, QString& reason);
};
