#include "tests/content/archive/ArchiveTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace archivetest {

bool sevenZip(const QStringList& arguments, const QString& workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("7z"), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << "7z did not finish: " << arguments.join(' ').toStdString();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << "7z " << arguments.join(' ').toStdString() << " failed:\n"
                      << process.readAll().toStdString();
        return false;
    }
    return true;
}

QString pack(const QString& sourceDir, const QString& archivePath, const QStringList& options)
{
    QFile::remove(archivePath);
    QStringList arguments{QStringLiteral("a"), QStringLiteral("-bd"), QStringLiteral("-snl")};
    arguments << options << archivePath << QStringLiteral(".");
    return sevenZip(arguments, sourceDir) ? archivePath : QString();
}

QMap<QString, QString> describeTree(const QString& root)
{
    QMap<QString, QString> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        const QByteArray encoded = QFile::encodeName(path);
        struct stat info;
        if (lstat(encoded.constData(), &info) != 0) {
            tree.insert(relative, QStringLiteral("missing"));
        } else if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = readlink(encoded.constData(), target, sizeof target);
            tree.insert(relative, QStringLiteral("link:") + QFile::decodeName(QByteArray(target, int(qMax<ssize_t>(length, 0)))));
        } else if (S_ISDIR(info.st_mode)) {
            tree.insert(relative, QStringLiteral("dir"));
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            tree.insert(relative, QStringLiteral("file:%1:").arg(info.st_mode & 07777, 0, 8)
                                      + QString::fromLatin1(file.readAll().toHex()));
        }
    }
    return tree;
}

QByteArray noise(int size, unsigned seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    unsigned state = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = char(state >> 23);
    }
    return bytes;
}

void makeLink(const QString& target, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0)
        ADD_FAILURE() << "cannot create the link " << path.toStdString();
}

} // namespace archivetest
