#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace platform {

// Writes a file whole: the bytes go to a temporary file beside it, which is
// flushed to the disk and renamed over the old one only when every byte has
// been written, so a crash or a full disk leaves the old file as it was.
// With permissions given, the new file carries them from the start; without,
// it keeps those of the file it replaces. Returns NoError or what went wrong.
//
// What stands at the path is replaced, never written through: a symbolic
// link there is replaced by the file, and what it points to stays as it was.
//
// The temporary file is locked while it is written. A write that was cut off
// (the process killed) leaves it behind unlocked; the next write of the same
// file removes such leftovers, and never one that a live writer holds.
//
// QSaveFile is not used: it reports a buffered write that falls short (disk
// full, file size limit) from flush() only, and writes through a link.
QFileDevice::FileError saveWholeFile(const QString& path, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions = {});

// Copies the file from to path in the same way: the copy appears under path
// only when complete, with from's permissions, and until then path keeps
// what it held.
QFileDevice::FileError copyWholeFile(const QString& from, const QString& path);

// Whether a directory entry is a temporary file of a whole-file write or a
// kept file (below), and of which file: its name then, else an empty text.
QString temporaryFileTarget(const QString& entryName);

// Removes what killed writes of the file at path left beside it, as the next
// write would; one that a live writer holds stays. For files that are read
// far more often than written, such as the settings.
void removeWriteLeftovers(const QString& path);

// What stood at a path before it was replaced, kept beside it under a
// temporary name so that it can be put back. A plain file is kept locked, so
// no leftover cleaning removes it while this object lives; it is another
// name for the same file, or the file moved aside where the file system
// has no second names. A symbolic link is kept as the link itself.
class KeptFile
{
public:
    KeptFile() = default;
    // Lets go of what is still kept.
    ~KeptFile();
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    // Keeps what stands at path now, if anything. False only when something
    // stands there and cannot be kept; path is then left as it was.
    bool keep(const QString& path);
    bool isKept() const { return !m_keptPath.isEmpty(); }

    // Puts it back in place of whatever stands at the path now.
    bool restore();
    // The path was not replaced after all: what was moved aside goes back,
    // a second name goes.
    void cancel();
    // Lets it go: the kept name is removed.
    void discard();

private:
    void release();

    QString m_path;
    QString m_keptPath;
    int m_lock = -1;
    bool m_moved = false;
};

} // namespace platform
