#include "tests/support/TestEnvironment.h"

#include "content/archive/SevenZipLibrary.h"
#include "core/Log.h"
#include "core/Paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {
namespace {

std::unique_ptr<QTemporaryDir> g_root;

QString logPath()
{
    return appDir() + QStringLiteral("/log.txt");
}

void setEnv(const char* name, const QString& value)
{
    qputenv(name, QFile::encodeName(value));
}

// Gives each test a fresh home, application directory and log.
class EnvironmentListener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo&) override
    {
        g_root.reset(new QTemporaryDir(QDir::tempPath() + QStringLiteral("/launcher-test-XXXXXX")));
        if (qEnvironmentVariableIsSet("LAUNCHER_KEEP_TEST_DIRS"))
            g_root->setAutoRemove(false);
        QDir().mkpath(homeDir());
        QDir().mkpath(appDir());
        setEnv("HOME", homeDir());
        setEnv("XDG_CONFIG_HOME", homeDir() + QStringLiteral("/.config"));
        setEnv("XDG_DATA_HOME", homeDir() + QStringLiteral("/.local/share"));
        setEnv("XDG_CACHE_HOME", homeDir() + QStringLiteral("/.cache"));
        setAppDirPathForTests(appDir());
        sevenzip::setLibraryPathForTests(QStringLiteral(LAUNCHER_TEST_7Z_PLUGIN));
        Log::instance()->setLevel(Log::Debug);
        Log::instance()->open(logPath());
    }

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        Log::instance()->open(QString()); // closes the file; later lines are dropped
        setAppDirPathForTests(QString());
        sevenzip::setLibraryPathForTests(QString());
        g_root.reset();
    }
};

} // namespace

void installEnvironmentListener()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new EnvironmentListener);
}

QString rootDir()
{
    return g_root ? g_root->path() : QString();
}

QString homeDir()
{
    return rootDir() + QStringLiteral("/home");
}

QString appDir()
{
    return rootDir() + QStringLiteral("/app");
}

QStringList logLines()
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void clearLog()
{
    QFile::resize(logPath(), 0);
}

bool logContains(const QString& text)
{
    for (const QString& line : logLines()) {
        if (line.contains(text))
            return true;
    }
    return false;
}

QStringList criticalLogLines()
{
    QStringList lines;
    for (const QString& line : logLines()) {
        if (line.startsWith(QLatin1String("crit")))
            lines << line;
    }
    return lines;
}

QString writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    file.write(content);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QMap<QString, QByteArray> fileDigests(const QString& dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dir).relativeFilePath(path),
                     QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha1).toHex());
    }
    return files;
}

QStringList foldersBelow(const QString& dir)
{
    QStringList folders;
    QDirIterator it(dir, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders << QDir(dir).relativeFilePath(it.next());
    folders.sort();
    return folders;
}

bool copyFiles(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(path);
        QFile::remove(target);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(path, target))
            return false;
    }
    return true;
}

QByteArray randomBytes(quint32 seed, int size)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
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

QString registryKeyFile(const QString& keyPath)
{
    QString levels = keyPath;
    levels.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return homeDir() + QStringLiteral("/.config/QMXLauncher/registry/HKEY_CURRENT_USER/") + levels
        + QStringLiteral("/values.reg");
}

} // namespace testsupport
