#pragma once

#include "content/patch/jdiff/JDiffProgress.h"

#include <QString>

class QIODevice;

// Rebuilds a file from an old file and a JojoDiff-format delta (the patch).
namespace jdiff {

// Results of applyPatch and applyPatchFiles.
enum Result {
    Success = 0,             // the patch ended where an opcode or data byte could begin
    OldFileUnreadable = 3,   // the old file is missing or cannot be opened
    PatchFileUnreadable = 4, // the patch file is missing or cannot be opened
    SeekFailed = 6,          // repositioning the old file failed
    OldFileTooShort = 8,     // an equal run asked for more bytes than the old file had
    WriteFailed = 9,         // writing the output failed
    PatchTruncated = 20,     // the patch ended after an escape or inside a length;
                             // also the output file could not be created
    OutputTooLarge = 21,     // the output would grow past the limit the caller set
};

// No limit on the size of the output.
constexpr qint64 NoOutputLimit = -1;

// Opens the three files (the output is created or truncated) and runs
// applyPatch on them. A missing old file gives OldFileUnreadable even when
// the patch is missing too. An output already created stays after a failure.
// With an output limit of 0 or more, decoding stops with OutputTooLarge
// before the output would pass that many bytes.
int applyPatchFiles(const QString& oldPath, const QString& patchPath, const QString& outputPath,
                    JDiffProgress* progress, qint64 outputLimit = NoOutputLimit);

// The decoder. old must be open for reading and seekable, patch open for
// reading (it is read forwards only, in blocks, so its position afterwards
// is not where decoding stopped), output open for writing. The devices are
// neither opened nor closed here. On failure the output holds everything
// decoded before the failing step. progress (may be null) hears the patch
// position at most once per 1024 patch bytes, and (size, size) at the end
// of a patch that decoded to its end. outputLimit as for applyPatchFiles.
int applyPatch(QIODevice* old, QIODevice* patch, QIODevice* output, JDiffProgress* progress,
               qint64 outputLimit = NoOutputLimit);

// One length field from the patch; false when the patch ends first.
bool readLength(QIODevice* patch, qint64* out);

// One byte; false at the end of the device or on a read error.
bool readByte(QIODevice* device, uchar* out);

} // namespace jdiff
