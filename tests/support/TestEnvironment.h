#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Every test runs in a temporary tree of its own:
//   <root>/home      HOME, with XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME below it
//   <root>/app       the launcher's application directory (the test seam of core/Paths)
// and the process-wide log writes to <root>/app/log.txt at the debug level.
// Archives are unpacked with the 7-Zip plug-in that the build deploys.
namespace testsupport {

QString rootDir();
QString homeDir();
QString appDir();

// The log lines written so far in this test, and a way to forget them.
QStringList logLines();
void clearLog();
// True when some log line contains the text.
bool logContains(const QString& text);
// The critical lines among them.
QStringList criticalLogLines();

// Writes a file (creating its folders); returns its path.
QString writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);

// The SHA-1 (hexadecimal) of every file below dir, hidden ones included, by
// its path relative to dir.
QMap<QString, QByteArray> fileDigests(const QString& dir);
// Every folder below dir (links are not followed), by its path relative to
// dir, sorted.
QStringList foldersBelow(const QString& dir);
// Copies every file below from to the same path below to, making folders;
// false at the first file that cannot be copied.
bool copyFiles(const QString& from, const QString& to);
// Every entry below root by relative path: "dir", "link:<target>" or
// "file:<mode>:<content>"; links are not followed.
QMap<QString, QString> describeTree(const QString& root);

// Reproducible pseudo-random bytes: the same seed gives the same bytes.
QByteArray randomBytes(quint32 seed, int size);

// The file that holds the values of a per-user registry key (A\B\C),
// spelled as given.
QString registryKeyFile(const QString& keyPath);

} // namespace testsupport
