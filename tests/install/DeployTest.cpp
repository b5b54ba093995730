#include "install/LauncherFiles.h"
#include "tests/support/Printers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// The folder of the built launcher is what the installer and a self-update
// copy: it holds the listed files, as real files, and nothing else the
// launcher would need (what a run of the launcher writes there aside).
TEST(Deploy, TheFolderHoldsExactlyTheLauncherFiles)
{
    const QString folder = QStringLiteral(LAUNCHER_DIR);
    const QStringList workingData = {"log.txt", "QMXLauncher.conf", "Session.conf", "Game", "Update", "UpdateTemp"};
    QStringList present;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QDir(folder).relativeFilePath(it.next());
        if (!workingData.contains(name.section('/', 0, 0)))
            present << name;
        EXPECT_FALSE(it.fileInfo().isSymLink()) << name.toStdString();
    }
    present.sort();
    QStringList listed = install::launcherFileNames();
    listed.sort();
    EXPECT_EQ(present, listed);
    EXPECT_EQ(install::launcherFileNames().last(), install::launcherExeName());
    EXPECT_TRUE(listed.contains(install::launcherIconName()));
}

// The section names of an ELF file.
QStringList sectionsOf(const QString& path)
{
    QProcess readelf;
    readelf.start("readelf", {"-S", "-W", path});
    EXPECT_TRUE(readelf.waitForFinished(30000));
    QStringList names;
    const QRegularExpression row(R"(^\s*\[\s*\d+\]\s+(\S+))");
    for (const QString& line : QString::fromLocal8Bit(readelf.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = row.match(line);
        if (match.hasMatch())
            names << match.captured(1);
    }
    return names;
}

// Every player downloads the executable with each self-update: it ships
// without its debug information, which stays beside the folder and which
// the executable names by a GNU debuglink.
TEST(Deploy, TheExecutableShipsStrippedWithItsDebugInformationBesideTheFolder)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitizer build keeps the debug information in place for its reports";
#endif
    const QString exe = QStringLiteral(LAUNCHER_DIR) + "/" + install::launcherExeName();
    const QStringList shipped = sectionsOf(exe);
    ASSERT_TRUE(shipped.contains(".text"));
    EXPECT_TRUE(shipped.contains(".gnu_debuglink"));
    EXPECT_FALSE(shipped.contains(".symtab"));
    for (const QString& section : shipped)
        EXPECT_FALSE(section.startsWith(".debug")) << section.toStdString();

    const QString debugFile = QStringLiteral(LAUNCHER_DIR) + ".debug/" + install::launcherExeName() + ".debug";
    EXPECT_TRUE(sectionsOf(debugFile).contains(".debug_info")) << debugFile.toStdString();
}

// The folder carries the licence notice of every package it takes files
// from, named in the index for each carried file, also for what the
// executable has compiled in.
TEST(Deploy, EveryCarriedFileHasItsLicenceNotice)
{
    const QString folder = QStringLiteral(LAUNCHER_DIR);
    const QStringList files = install::launcherFileNames();
    ASSERT_TRUE(files.contains("licenses/index.txt"));
    QFile index(folder + "/licenses/index.txt");
    ASSERT_TRUE(index.open(QIODevice::ReadOnly | QIODevice::Text));
    QSet<QString> named;
    QSet<QString> notices;
    for (const QString& line : QString::fromUtf8(index.readAll()).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() != 2 || fields[0] == "file")
            continue;
        named.insert(fields[0]);
        notices.insert("licenses/" + fields[1] + ".txt");
    }
    for (const QString& file : files) {
        if (file.startsWith("licenses/")) {
            EXPECT_TRUE(notices.contains(file) || file == "licenses/index.txt") << file.toStdString() << " is no one's";
            continue;
        }
        if (file == install::launcherIconName() || file == install::launcherExeName())
            continue; // the launcher's own
        EXPECT_TRUE(named.contains(file)) << file.toStdString() << " has no notice";
    }
    for (const char* compiledIn : {"PTS55F.ttf", "qtbase_de.qm"}) {
        const QString entry = install::launcherExeName() + " (" + compiledIn + " inside)";
        EXPECT_TRUE(named.contains(entry)) << entry.toStdString();
    }
    for (const QString& notice : notices) {
        EXPECT_TRUE(files.contains(notice)) << notice.toStdString();
        QFile text(folder + "/" + notice);
        ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << notice.toStdString();
        EXPECT_TRUE(text.readAll().contains("opyright")) << notice.toStdString() << " is no notice";
    }
}

} // namespace
