#pragma once

#include <QString>

struct ProductInfo;

// Every file-system location of the launcher. Paths use "/" separators.
// The launcher keeps its working data next to its executable (the
// application directory), not in a per-user folder.

enum class SpecialFolder {
    AppData,
    LocalAppData,
    ProductData,
    StartMenu,
    QuickLaunch,
    Desktop,
    AppDir,
};

QString absoluteFilePath(const QString& path);
QString appDirPath();
QString appFilePath();
// Absolute, "/" separators, exactly one trailing "/".
QString dirPathWithSlash(const QString& path);

// The per-user folder of a shell kind, with "/" separators and a trailing
// "/"; false (out unchanged) when the desktop cannot name it.
bool shellFolderPath(int folder, QString& out);

QString specialPath(SpecialFolder kind);
// specialPath normalised to end in "/"; created when asked (a failure is
// logged by makePath). An unknown kind gives an empty path.
QString specialFolderPath(SpecialFolder kind, bool create);

// True when the directory exists or was created with all its parents;
// otherwise logs "makepath FAIL: " and the path as given.
bool makePath(const QString& dir);

// Joins two pieces with exactly one "/" between them (only one leading "/"
// of the second piece is dropped); an empty piece gives the other unchanged.
QString joinPath(const QString& a, const QString& b);

QString appDirFilePath(const QString& name);
QString launcherConfigPath();
QString logFilePath();
QString sessionConfigPath();

// Directories below the application directory, without a trailing "/".
QString gameDirPath();                        // always created
QString ensureUpdateDirPath();                // always created
QString updateDirPath(bool create);
QString updateTempRootPath(bool create);
QString updateTempDirPath(const QString& sub); // always created

// A name "qm_<hex>" in the Temp folder of the local application data that
// nothing exists under yet; nothing is created.
QString newTempFilePath();
// Whether a path is such a name (whatever exists under it).
bool isTempFilePath(const QString& path);

// Tests only: take the application directory from here instead of the
// executable's directory. An empty path restores the product's behaviour.
void setAppDirPathForTests(const QString& path);
