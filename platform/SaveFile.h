#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace platform {

// Writes a file whole: the bytes go to a temporary file beside it, which is
// flushed to the disk and renamed over the old one only when every byte has
// been written, so a crash or a full disk leaves the old file as it was.
// With permissions given, the new file carries them once it takes its place;
// without, it keeps those of the file it replaces. Returns NoError or what
// went wrong; on failure errno tells why.
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

// Whether a directory entry is the temporary file of a whole-file write, and
// of which file: its name then, else an empty text.
QString temporaryFileTarget(const QString& entryName);
// The same for a kept file (below).
QString keptFileTarget(const QString& entryName);

// Removes what killed writes of the file at path left beside it, as the next
// write would; one that a live writer holds stays. For files that are read
// far more often than written, such as the settings.
void removeWriteLeftovers(const QString& path);

// What stood at a path before it was replaced, kept beside it under the
// name ".<name>.kept-<tag>", so that it can be put back. The tag is six
// letters or digits: one drawn at random, or one given, so that whoever
// records the replacement beforehand knows the kept name (see
// keptFilePath). A plain file is kept as a second name of the same file,
// or, where the file system has no second names (link() fails), as a copy
// beside it: the path itself always holds the old file until the new one
// takes its place. A symbolic link is kept as a link.
//
// No leftover cleaning takes a kept file: it stays until it is put back or
// let go, by this object or, after a crash, by whoever recorded it.
class KeptFile
{
public:
    KeptFile() = default;
    // Lets go of what is still kept.
    ~KeptFile();
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    // Keeps what stands at path now, if anything, under the tag given or
    // one drawn. False only when something stands there and cannot be kept
    // (or the name of the tag given is taken); path is then left as it was.
    bool keep(const QString& path, const QString& tag = QString());
    bool isKept() const { return !m_path.isEmpty(); }
    QString keptPath() const;

    // Puts it back in place of whatever stands at the path now.
    bool restore();
    // Lets it go: the kept name is removed.
    void discard();

private:
    void release();

    QString m_path;
    QString m_tag;
};

// A tag drawn at random, and whether a text is one.
QString newKeepTag();
bool isKeepTag(const QString& tag);
// The name under which the file at path is kept with the tag.
QString keptFilePath(const QString& path, const QString& tag);
// Puts back what is kept for path under the tag, in place of what stands
// there now; true also when nothing is kept under that name.
bool restoreKeptFile(const QString& path, const QString& tag);
// Lets go of what is kept for path under the tag; true when nothing is left.
bool removeKeptFile(const QString& path, const QString& tag);

} // namespace platform
