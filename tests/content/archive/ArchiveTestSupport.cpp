#include "tests/content/archive/ArchiveTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

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
