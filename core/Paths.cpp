#include "core/Paths.h"

#include "core/Log.h"
#include "core/ProductInfo.h"
#include "core/Random.h"
#include "platform/ShellFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString g_testAppDir;

QString withTrailingSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString shellOrFallback(int folder, const QString& homeRelative)
{
    QString path;
    if (shellFolderPath(folder, path))
        return path;
    return QDir::homePath() + homeRelative;
}

QString appDirChild(const QString& name)
{
    return joinPath(appDirPath(), name);
}

} // namespace

QString absoluteFilePath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

QString appDirPath()
{
    if (!g_testAppDir.isEmpty())
        return absoluteFilePath(g_testAppDir);
    return absoluteFilePath(QCoreApplication::applicationDirPath());
}

QString appFilePath()
{
    return absoluteFilePath(QCoreApplication::applicationFilePath());
}

QString dirPathWithSlash(const QString& path)
{
    return withTrailingSlash(QDir::fromNativeSeparators(absoluteFilePath(path)));
}

bool shellFolderPath(int folder, QString& out)
{
    QString path;
    if (!platform::shellFolder(folder, &path))
        return false;
    out = withTrailingSlash(QDir::fromNativeSeparators(path));
    return true;
}

QString specialPath(SpecialFolder kind)
{
    switch (kind) {
    case SpecialFolder::AppData:
        return shellOrFallback(platform::FolderAppData, QStringLiteral("/Application Data/"));
    case SpecialFolder::LocalAppData:
        return shellOrFallback(platform::FolderLocalAppData, QStringLiteral("/Local Settings/Application Data/"));
    case SpecialFolder::ProductData:
        return specialPath(SpecialFolder::AppData) + g_launcherProduct.companyDirName() + QLatin1Char('/')
            + g_launcherProduct.productDirName();
    case SpecialFolder::StartMenu:
        return shellOrFallback(platform::FolderStartMenu, QStringLiteral("/Start Menu/"));
    case SpecialFolder::QuickLaunch:
        return specialPath(SpecialFolder::AppData) + QStringLiteral("Microsoft/Internet Explorer/Quick Launch/");
    case SpecialFolder::Desktop:
        return shellOrFallback(platform::FolderDesktopDirectory, QStringLiteral("/Desktop/"));
    case SpecialFolder::AppDir:
        return appDirPath();
    }
    return QString();
}

QString specialFolderPath(SpecialFolder kind, bool create)
{
    QString path = specialPath(kind);
    if (path.isEmpty())
        return path;
    path = withTrailingSlash(QDir::fromNativeSeparators(path));
    if (create)
        makePath(path);
    return path;
}

bool makePath(const QString& dir)
{
    if (QDir(dir).exists())
        return true;
    if (QDir().mkpath(absoluteFilePath(dir)))
        return true;
    Log::instance()->critical(QStringLiteral("makepath FAIL: ") + dir);
    return false;
}

QString joinPath(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    QString head = withTrailingSlash(QDir::fromNativeSeparators(a));
    QString tail = QDir::fromNativeSeparators(b);
    if (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    return head + tail;
}

QString appDirFilePath(const QString& name)
{
    return specialFolderPath(SpecialFolder::AppDir, true) + name;
}

QString launcherConfigPath()
{
    return appDirFilePath(QStringLiteral("QMXLauncher.conf"));
}

QString logFilePath()
{
    return appDirFilePath(QStringLiteral("log.txt"));
}

QString sessionConfigPath()
{
    return appDirFilePath(QStringLiteral("Session.conf"));
}

QString gameDirPath()
{
    const QString path = appDirChild(QStringLiteral("Game"));
    makePath(path);
    return path;
}

QString ensureUpdateDirPath()
{
    return updateDirPath(true);
}

QString updateDirPath(bool create)
{
    const QString path = appDirChild(QStringLiteral("Update"));
    if (create)
        makePath(path);
    return path;
}

QString updateTempRootPath(bool create)
{
    const QString path = appDirChild(QStringLiteral("UpdateTemp"));
    if (create)
        makePath(path);
    return path;
}

QString updateTempDirPath(const QString& sub)
{
    const QString path = joinPath(updateTempRootPath(false), sub);
    makePath(path);
    return path;
}

namespace {

const QString kTempPrefix = QStringLiteral("qm_");

QString tempFolderPath(bool create)
{
    return specialFolderPath(SpecialFolder::LocalAppData, create) + QStringLiteral("Temp/");
}

} // namespace

QString newTempFilePath()
{
    const QString base = tempFolderPath(true);
    QString candidate;
    do {
        candidate = base + kTempPrefix + QString::number(randomNumber(), 16);
    } while (QFileInfo::exists(candidate));
    return candidate;
}

bool isTempFilePath(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!name.startsWith(kTempPrefix) || name.size() == kTempPrefix.size()
        || QDir::cleanPath(info.absolutePath()) != QDir::cleanPath(tempFolderPath(false)))
        return false;
    for (const QChar c : name.midRef(kTempPrefix.size())) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !(c >= QLatin1Char('a') && c <= QLatin1Char('f')))
            return false;
    }
    return true;
}

void setAppDirPathForTests(const QString& path)
{
    g_testAppDir = path;
}
