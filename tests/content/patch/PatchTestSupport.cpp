#include "tests/content/patch/PatchTestSupport.h"

#include "content/patch/jdiff/ApplyPatch.h"
#include "tests/support/TestEnvironment.h"

#include <QBuffer>
#include <QCryptographicHash>

namespace patchtest {

int decodeInto(QIODevice* output, const QByteArray& old, const QByteArray& patch, jdiff::JDiffProgress* progress,
               qint64 outputLimit)
{
    QBuffer oldDevice;
    oldDevice.setData(old);
    oldDevice.open(QIODevice::ReadOnly);
    QBuffer patchDevice;
    patchDevice.setData(patch);
    patchDevice.open(QIODevice::ReadOnly);
    return jdiff::applyPatch(&oldDevice, &patchDevice, output, progress, outputLimit);
}

QByteArray decoded(const QByteArray& old, const QByteArray& patch, int* result, jdiff::JDiffProgress* progress,
                   qint64 outputLimit)
{
    QByteArray output;
    QBuffer outputDevice(&output);
    outputDevice.open(QIODevice::WriteOnly);
    *result = decodeInto(&outputDevice, old, patch, progress, outputLimit);
    return output;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray randomBytes(int size, quint32 seed)
{
    return testsupport::randomBytes(seed, size);
}

QString sha1(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
}

} // namespace patchtest
