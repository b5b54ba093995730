#pragma once

#include "content/patch/IPatchProgress.h"
#include "content/patch/jdiff/JDiffProgress.h"

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

#include <initializer_list>

class QIODevice;

namespace patchtest {

using Report = QPair<qint64, qint64>;

// Remembers every report, in order.
struct PatchProgressRecorder : IPatchProgress
{
    void patchProgress(qint64 done, qint64 total) override { reports.append({done, total}); }
    QVector<Report> reports;
};

struct JDiffProgressRecorder : jdiff::JDiffProgress
{
    void jdiffProgress(qint64 patchPos, qint64 patchSize) override { reports.append({patchPos, patchSize}); }
    QVector<Report> reports;
};

// Decodes patch against old in memory into output, a device open for
// writing; the decoder's result.
int decodeInto(QIODevice* output, const QByteArray& old, const QByteArray& patch,
               jdiff::JDiffProgress* progress = nullptr, qint64 outputLimit = -1);
// The same into a byte array.
QByteArray decoded(const QByteArray& old, const QByteArray& patch, int* result,
                   jdiff::JDiffProgress* progress = nullptr, qint64 outputLimit = -1);

// Bytes written as numbers: bytes({0xA7, 0xA6, 'x'}).
QByteArray bytes(std::initializer_list<int> values);

// Reproducible pseudo-random bytes.
QByteArray randomBytes(int size, quint32 seed);

// Lower-case hexadecimal SHA-1.
QString sha1(const QByteArray& data);

} // namespace patchtest
