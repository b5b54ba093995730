#pragma once

#include "content/archive/ArchiveItem.h"
#include "content/archive/ISevenZipCallback.h"
#include "content/archive/SevenZipAbi.h"

#include <QString>

#include <string>
#include <vector>

// Unpacks every item of the 7z archive at archivePath below destDir, with the
// paths stored in the archive, replacing existing files without asking;
// destDir and its missing parents are created. True only when every item was
// written: an archive that cannot be opened as 7z, a damaged or encrypted
// item, an unsupported method, an item whose path or link target would leave
// destDir, or a write failure gives false, with one critical line that names
// the reason and the archive. callback may be null. Runs on the calling
// thread (the library may add decoder threads); never throws.
bool unpackArchive(const QString& archivePath, const QString& destDir, ISevenZipCallback* callback);

// The items of the 7z archive at archivePath, read and checked as
// unpackArchive reads and checks them, without writing anything; false with
// the same critical line when unpackArchive would refuse the archive before
// writing. Never throws.
bool listArchive(const QString& archivePath, std::vector<ArchiveItem>& items);

// Removes the temporary files that an unpack into destDir left when its
// process was killed (an unpack that ends, well or not, removes its own),
// anywhere below destDir; links are not followed. Each removal is logged.
void removeUnpackLeftovers(const QString& destDir);

// The same on wide strings, with the library's result code: S_OK on
// success. Throws the C string "Unsupported" when the library has no 7z
// format; other exceptions (out of memory) pass too.
sevenzip::HRESULT extractArchive(const std::wstring& archivePath, const std::wstring& outputDir,
                                 ISevenZipCallback* callback);
