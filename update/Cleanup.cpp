#include "update/Cleanup.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "update/UpdateInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

void logRemoval(bool removed, const QString& path)
{
    Log::instance()->info((removed ? QStringLiteral("cleanup success: ") : QStringLiteral("cleanup failure: ")) + path);
}

QSet<QString> namesToKeep(const UpdateInfo& manifest)
{
    QSet<QString> keep;
    for (const QString& productId : {kGameProductId, kLauncherProductId}) {
        ProductUpdateInfo product;
        if (!manifest.getObject(productId, product))
            continue;
        for (const UpdateContent& content : product.contents())
            keep.insert(content.name().toLower());
    }
    return keep;
}

} // namespace

void cleanupDownloads(const UpdateInfo& manifest, const QSet<QString>& inUse)
{
    const QString tempRoot = updateTempRootPath(false);
    if (QFileInfo(tempRoot).isDir())
        logRemoval(QDir(tempRoot).removeRecursively(), tempRoot);

    const QString updateDir = updateDirPath(false);
    if (!QFileInfo(updateDir).isDir())
        return;

    QSet<QString> keep = namesToKeep(manifest);
    for (const QString& name : inUse)
        keep.insert(name.toLower());
    QDir dir(updateDir);
    for (const QString& fileName : dir.entryList(QDir::Files, QDir::NoSort)) {
        if (keep.contains(fileName.toLower()))
            continue;
        logRemoval(dir.remove(fileName), dir.filePath(fileName));
    }
}
