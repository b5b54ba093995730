#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "core/Random.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(Paths, JoinPath)
{
    const struct {
        QString a, b, expected;
    } cases[] = {
        {"/games/a", "b", "/games/a/b"},
        {"/games/a/", "/b", "/games/a/b"},
        {"/games/a/", "//b", "/games/a//b"}, // only one leading "/" goes
        {"/games/a", "b/c", "/games/a/b/c"},
        {"", "/x/y", "/x/y"},
        {"/x/y", "", "/x/y"},
        {"", "", ""},
        // A backslash is an ordinary file-name character on this platform.
        {"/games/a\\b", "c", "/games/a\\b/c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinPath(c.a, c.b), c.expected) << c.a.toStdString() << " + " << c.b.toStdString();
}

class SpecialFolders : public ::testing::Test
{
protected:
    void SetUp() override { g_launcherProduct = launcherProductInfo(); }
    void TearDown() override { g_launcherProduct = ProductInfo(); }
    QString home() const { return testsupport::homeDir(); }
};

TEST_F(SpecialFolders, FromTheXdgFolders)
{
    const struct {
        SpecialFolder kind;
        QString expected;
    } cases[] = {
        {SpecialFolder::AppData, home() + "/.config/"},
        {SpecialFolder::LocalAppData, home() + "/.local/share/"},
        {SpecialFolder::StartMenu, home() + "/.local/share/applications/"},
        {SpecialFolder::Desktop, home() + "/Desktop/"},
        {SpecialFolder::ProductData, home() + "/.config/Ostrevan/Quillmere4"},
        {SpecialFolder::QuickLaunch, home() + "/.config/Microsoft/Internet Explorer/Quick Launch/"},
        {SpecialFolder::AppDir, testsupport::appDir()},
        {SpecialFolder(99), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(specialPath(c.kind), c.expected) << int(c.kind);

    EXPECT_EQ(specialFolderPath(SpecialFolder::AppDir, false), testsupport::appDir() + "/");
    EXPECT_EQ(specialFolderPath(SpecialFolder::ProductData, false), home() + "/.config/Ostrevan/Quillmere4/");
    EXPECT_EQ(specialFolderPath(SpecialFolder(99), true), "");

    const QString menu = specialFolderPath(SpecialFolder::StartMenu, true);
    EXPECT_TRUE(QFileInfo(menu).isDir());
}

TEST_F(SpecialFolders, DesktopFromUserDirsAndFallbacks)
{
    testsupport::writeFile(home() + "/.config/user-dirs.dirs",
                           "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(specialPath(SpecialFolder::Desktop), home() + "/Schreibtisch/");
    testsupport::writeFile(home() + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/srv/desk\"\n");
    EXPECT_EQ(specialPath(SpecialFolder::Desktop), "/srv/desk/");

    // A relative XDG variable does not count.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(specialPath(SpecialFolder::AppData), home() + "/.config/");

    // With no home and no XDG variables the desktop cannot say; the
    // home-relative fallbacks apply.
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    qputenv("HOME", "");
    const QString h = QDir::homePath();
    EXPECT_EQ(specialPath(SpecialFolder::AppData), h + "/Application Data/");
    EXPECT_EQ(specialPath(SpecialFolder::LocalAppData), h + "/Local Settings/Application Data/");
    EXPECT_EQ(specialPath(SpecialFolder::StartMenu), h + "/Start Menu/");
    EXPECT_EQ(specialPath(SpecialFolder::Desktop), h + "/Desktop/");
}

TEST(Paths, ApplicationDirectoryLayout)
{
    const QString app = testsupport::appDir();
    EXPECT_EQ(launcherConfigPath(), app + "/QMXLauncher.conf");
    EXPECT_EQ(logFilePath(), app + "/log.txt");
    EXPECT_EQ(sessionConfigPath(), app + "/Session.conf");

    EXPECT_EQ(updateDirPath(false), app + "/Update");
    EXPECT_FALSE(QFileInfo::exists(app + "/Update"));
    EXPECT_EQ(updateTempRootPath(false), app + "/UpdateTemp");
    EXPECT_FALSE(QFileInfo::exists(app + "/UpdateTemp"));

    EXPECT_EQ(gameDirPath(), app + "/Game");
    EXPECT_EQ(ensureUpdateDirPath(), app + "/Update");
    EXPECT_EQ(updateTempDirPath("c1"), app + "/UpdateTemp/c1");
    EXPECT_EQ(updateTempDirPath(""), app + "/UpdateTemp");
    for (const char* dir : {"/Game", "/Update", "/UpdateTemp/c1"})
        EXPECT_TRUE(QFileInfo(app + dir).isDir()) << dir;

    EXPECT_EQ(dirPathWithSlash(app + "/Game"), app + "/Game/");
    EXPECT_EQ(dirPathWithSlash(app + "/Game/"), app + "/Game/");
}

TEST(Paths, MakePathLogsItsFailure)
{
    const QString existing = testsupport::rootDir();
    EXPECT_TRUE(makePath(existing));
    EXPECT_TRUE(makePath(existing + "/a/b/c"));
    EXPECT_TRUE(QFileInfo(existing + "/a/b/c").isDir());
    EXPECT_TRUE(testsupport::logLines().isEmpty());

    const QString file = testsupport::writeFile(existing + "/plain", "x");
    const QString below = file + "/sub";
    EXPECT_FALSE(makePath(below));
    const QStringList lines = testsupport::logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("crit "));
    EXPECT_TRUE(lines[0].endsWith("makepath FAIL: " + below));
}

TEST(Paths, NewTempFilePathAvoidsExistingNames)
{
    const QString base = testsupport::homeDir() + "/.local/share/Temp/";
    seedRandom(42);
    const QString first = newTempFilePath();
    ASSERT_TRUE(first.startsWith(base + "qm_")) << first.toStdString();
    const QString hex = first.mid(base.size() + 3);
    EXPECT_EQ(hex, hex.toLower());
    EXPECT_EQ(hex, QString::number(hex.toULongLong(nullptr, 16), 16));
    EXPECT_FALSE(QFileInfo::exists(first)); // nothing is created

    // The same sequence again: the name taken in between is skipped.
    QDir().mkpath(first);
    seedRandom(42);
    const QString second = newTempFilePath();
    EXPECT_NE(second, first);
    EXPECT_FALSE(QFileInfo::exists(second));
}

} // namespace
