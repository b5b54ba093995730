#include "core/SafePath.h"

#include "core/Paths.h"

#include <QFileInfo>
#include <QStringList>

bool safeJoinPath(const QString& baseDir, const QString& relativePath, QString& joined)
{
    if (relativePath.startsWith(QLatin1Char('/')) || relativePath.contains(QChar(0)))
        return false;

    QStringList kept;
    for (const QString& part : relativePath.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        // Refused outright rather than resolved: whether "a/.." stays inside
        // depends on what "a" is on disk (a link), which a lexical check
        // cannot know.
        if (part == QLatin1String(".."))
            return false;
        kept.append(part);
    }
    if (kept.isEmpty())
        return false;

    joined = joinPath(baseDir, kept.join(QLatin1Char('/')));
    return true;
}

bool isPlainFileName(const QString& name)
{
    QString joined;
    return !name.contains(QLatin1Char('/')) && safeJoinPath(QString(), name, joined);
}

bool foldersAreReal(const QString& baseDir, const QString& relativePath)
{
    QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    if (!parts.isEmpty())
        parts.removeLast();

    QString folder = baseDir;
    for (const QString& part : qAsConst(parts)) {
        folder = joinPath(folder, part);
        const QFileInfo info(folder);
        if (info.isSymLink())
            return false;
        if (!info.exists())
            return true;
    }
    return true;
}

QSet<QString> foldersOnTheWay(const QString& relativePath)
{
    QSet<QString> folders;
    for (int slash = relativePath.indexOf(QLatin1Char('/')); slash > 0;
         slash = relativePath.indexOf(QLatin1Char('/'), slash + 1))
        folders.insert(relativePath.left(slash));
    return folders;
}
