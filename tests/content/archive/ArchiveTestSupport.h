#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Helpers of the archive tests: archives are made with the system's 7z
// command, trees are compared by what is on disk.
namespace archivetest {

// Runs "7z <arguments>" in workDir (bounded in time); true when it exits 0.
bool sevenZip(const QStringList& arguments, const QString& workDir);

// Packs everything in sourceDir (with "7z a <options> archive .", links
// stored as links) and returns the archive path, or an empty string.
QString pack(const QString& sourceDir, const QString& archivePath, const QStringList& options = {});

// Deterministic bytes that do not compress away.
QByteArray noise(int size, unsigned seed);

// A symbolic link at path pointing to target (folders created).
void makeLink(const QString& target, const QString& path);

} // namespace archivetest
