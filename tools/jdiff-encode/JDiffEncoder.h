#pragma once

#include <QByteArray>
#include <QString>

// A small encoder of JojoDiff-format deltas, for tests, benchmarks and the
// test publisher; the launcher itself only decodes.
//
// The delta it writes: the common prefix and suffix as equal runs, and in
// between the equal runs of at least 32 bytes it finds through an index of
// the old data; what lies between two runs is written as modified bytes
// (as far as they replace old bytes on the way to the next run) and inserted
// bytes, with DEL or BKT to reach the next run. Every 0xA7 data byte is
// written as ESC ESC. It finds long shared runs, not the smallest delta.
namespace jdiff {

struct EncodeOptions
{
    // Leave out the ESC MOD before modified bytes that start the delta or
    // follow an EQL, DEL or BKT, as encoders since 2020 do. Off: every mode
    // change is written, which any decoder reads.
    bool implicitMod = false;
};

// The delta that rebuilds newData from oldData.
QByteArray encode(const QByteArray& oldData, const QByteArray& newData, const EncodeOptions& options = {});
QByteArray encode(const char* oldData, qint64 oldSize, const char* newData, qint64 newSize,
                  const EncodeOptions& options = {});

// Encodes the file newPath against oldPath into patchPath (written whole or
// not at all). On failure returns false with a reason in *error (if given).
bool encodeFiles(const QString& oldPath, const QString& newPath, const QString& patchPath, QString* error = nullptr,
                 const EncodeOptions& options = {});

} // namespace jdiff
