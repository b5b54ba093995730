#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace platform {
namespace {

QString homeDir()
{
    return QDir::cleanPath(QString::fromLocal8Bit(qgetenv("HOME")));
}

// An XDG base directory variable counts only when it holds an absolute path.
QString xdgDir(const char* variable, const QString& homeRelativeDefault)
{
    const QString value = QString::fromLocal8Bit(qgetenv(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = homeDir();
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        return QString();
    return home + QLatin1Char('/') + homeRelativeDefault;
}

// Reads XDG_DESKTOP_DIR from user-dirs.dirs: a line of the form
// XDG_DESKTOP_DIR="$HOME/Desktop" or with an absolute path.
QString desktopFromUserDirs(const QString& configDir, const QString& home)
{
    QFile file(configDir + QStringLiteral("/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    in.setCodec("UTF-8");
    const QString key = QStringLiteral("XDG_DESKTOP_DIR=");
    QString result;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.startsWith(key))
            continue;
        QString value = line.mid(key.size());
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (value.startsWith(QStringLiteral("$HOME"))) {
            if (home.isEmpty())
                continue;
            value = home + value.mid(5);
        }
        if (QDir::isAbsolutePath(value))
            result = QDir::cleanPath(value); // the last definition wins, as the desktop reads it
    }
    return result;
}

} // namespace

bool shellFolder(int folder, QString* out)
{
    QString path;
    switch (folder) {
    case FolderAppData:
        path = xdgDir("XDG_CONFIG_HOME", QStringLiteral(".config"));
        break;
    case FolderLocalAppData:
        path = xdgDir("XDG_DATA_HOME", QStringLiteral(".local/share"));
        break;
    case FolderStartMenu: {
        const QString data = xdgDir("XDG_DATA_HOME", QStringLiteral(".local/share"));
        if (!data.isEmpty())
            path = data + QStringLiteral("/applications");
        break;
    }
    case FolderDesktopDirectory: {
        const QString home = homeDir();
        const QString config = xdgDir("XDG_CONFIG_HOME", QStringLiteral(".config"));
        if (!config.isEmpty())
            path = desktopFromUserDirs(config, home);
        if (path.isEmpty() && !home.isEmpty() && QDir::isAbsolutePath(home))
            path = home + QStringLiteral("/Desktop");
        break;
    }
    default:
        break;
    }
    if (path.isEmpty())
        return false;
    *out = path;
    return true;
}

} // namespace platform
