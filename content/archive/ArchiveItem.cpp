#include "content/archive/ArchiveItem.h"

#include "content/archive/SevenZipLibrary.h"
#include "core/SafePath.h"

#include <sys/stat.h>

using namespace sevenzip;

namespace {

// Windows file times count 100 ns ticks from 1601-01-01.
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

timespec toTimespec(const FileTime& time)
{
    const std::uint64_t ticks = (std::uint64_t(time.high) << 32) | time.low;
    timespec result;
    result.tv_sec = time_t(std::int64_t(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
    result.tv_nsec = long(ticks % kTicksPerSecond) * 100;
    return result;
}

} // namespace

bool ArchiveItem::read(const Library& library, IInArchive* archive, std::uint32_t index, ArchiveItem& item,
                       QString& reason)
{
    item = ArchiveItem();

    PropValue path(library);
    archive->GetProperty(index, PropPath, path.out());
    const QString rawPath = path.toQString();
    if (rawPath.isNull()) {
        reason = QStringLiteral("item %1 has no valid name").arg(index);
        return false;
    }
    if (!safeJoinPath(QString(), rawPath, item.path)) {
        reason = QStringLiteral("item path refused: ") + rawPath;
        return false;
    }

    PropValue encrypted(library);
    archive->GetProperty(index, PropEncrypted, encrypted.out());
    if (encrypted.toBool(false)) {
        reason = QStringLiteral("encrypted item refused: ") + rawPath;
        return false;
    }
    PropValue hardLink(library);
    archive->GetProperty(index, PropHardLink, hardLink.out());
    if (!hardLink.toQString().isEmpty()) {
        reason = QStringLiteral("hard link refused: ") + rawPath;
        return false;
    }

    PropValue anti(library);
    archive->GetProperty(index, PropIsAnti, anti.out());
    if (anti.toBool(false))
        return true; // Kind::Skip

    PropValue isDir(library);
    archive->GetProperty(index, PropIsDir, isDir.out());
    item.kind = isDir.toBool(false) ? Kind::Directory : Kind::File;

    // The POSIX mode, from its own property or from the upper half of the
    // Windows attributes (where the 7z format keeps it).
    PropValue posix(library);
    archive->GetProperty(index, PropPosixAttrib, posix.out());
    PropValue attrib(library);
    archive->GetProperty(index, PropAttrib, attrib.out());
    unsigned mode = 0;
    if (posix.type() == VT_UI4) {
        mode = posix.value().ulVal;
        item.hasMode = true;
    } else if (attrib.type() == VT_UI4 && (attrib.value().ulVal & AttribUnixExtension)) {
        mode = attrib.value().ulVal >> 16;
        item.hasMode = true;
    }
    item.mode = mode & 0777;

    PropValue symlink(library);
    archive->GetProperty(index, PropSymLink, symlink.out());
    if (!symlink.toQString().isEmpty()) {
        // Formats that keep the target apart from the data: not the 7z
        // format, and not supported here.
        reason = QStringLiteral("link item refused: ") + rawPath;
        return false;
    }
    if (item.hasMode && S_ISLNK(mode) && item.kind == Kind::File)
        item.kind = Kind::Symlink;

    PropValue modified(library);
    archive->GetProperty(index, PropMTime, modified.out());
    if (modified.type() == VT_FILETIME) {
        item.hasModificationTime = true;
        item.modificationTime = toTimespec(modified.value().filetime);
    }
    return true;
}
