#include "platform/ShellLink.h"
#include "tests/support/DesktopFileValidate.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(ShellLink, ExecArgumentsAreQuotedAsDesktopEntriesRequire)
{
    const struct {
        QString argument;
        QString exec; // as it stands in the file
    } cases[] = {
        {"/opt/q4/QMXLauncher.exe", "/opt/q4/QMXLauncher.exe"},
        {"/opt/my games/QMXLauncher.exe", "\"/opt/my games/QMXLauncher.exe\""},
        {"/opt/100%/run", "/opt/100%%/run"},             // "%" starts a field code
        {"/opt/100% x", "\"/opt/100%% x\""},
        {"/opt/a\"b", "\"/opt/a\\\\\"b\""},               // quote escaped, then the backslash as a string
        {"/opt/a\\b", "\"/opt/a\\\\\\\\b\""},             // four backslashes for one
        {"/opt/$HOME/x", "\"/opt/\\\\$HOME/x\""},
        {"/opt/`id`", "\"/opt/\\\\`id\\\\`\""},
        {"/opt/it's", "\"/opt/it's\""},
        {"/opt/a;b&c|d", "\"/opt/a;b&c|d\""},
        {"/opt/tab\there", "\"/opt/tab\\there\""},        // a tab is written as \t
        {"/opt/line\nbreak", "\"/opt/line\\nbreak\""},
        {"", "\"\""},
    };
    const QString link = testsupport::homeDir() + "/entry" + shellLinkSuffix();
    for (const auto& c : cases) {
        EXPECT_EQ(desktopEntryExecArgument(c.argument), c.exec) << c.argument.toStdString();
        // Menus read the entry as written: it must hold to the format.
        if (c.argument.isEmpty())
            continue; // no program at all is no entry
        ASSERT_EQ(createShellLink(c.argument, link, "/opt/q4/QMXLauncher.png"), 0);
        EXPECT_EQ(testsupport::desktopFileProblems(link), "") << c.argument.toStdString();
        // And read back as the program it starts, which the uninstall
        // compares with the installation it removes.
        EXPECT_EQ(shellLinkTarget(link), c.argument);
    }
    EXPECT_EQ(shellLinkTarget(testsupport::writeFile(link, "[Other]\nExec=/opt/q4/x\n")), "");
    EXPECT_EQ(shellLinkTarget(testsupport::homeDir() + "/missing" + shellLinkSuffix()), "");
}

TEST(ShellLink, WritesAnExecutableDesktopEntry)
{
    const QString dir = testsupport::homeDir() + "/Desktop";
    const QString link = dir + "/Quillmere 4" + shellLinkSuffix();
    EXPECT_EQ(shellLinkSuffix(), ".desktop");

    // Into a missing folder nothing is written.
    EXPECT_LT(createShellLink("/opt/q4/QMXLauncher.exe", link, "/opt/q4/QMXLauncher.png"), 0);
    EXPECT_FALSE(QFileInfo::exists(link));

    testsupport::writeFile(link, "an older entry that is replaced\n");
    ASSERT_EQ(createShellLink("/opt/my games/QMXLauncher.exe", link, "/opt/my games/QMXLauncher.png"), 0);
    EXPECT_EQ(testsupport::readFile(link),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Quillmere 4\n"
              "Exec=\"/opt/my games/QMXLauncher.exe\"\n"
              "Icon=/opt/my games/QMXLauncher.png\n"
              "Terminal=false\n"
              "StartupWMClass=QMXLauncher.exe\n");
    EXPECT_EQ(testsupport::desktopFileProblems(link), "");
    const QFileInfo info(link);
    EXPECT_TRUE(info.permissions() & QFileDevice::ExeOwner);
    EXPECT_TRUE(info.permissions() & QFileDevice::ExeOther);

    // A leading space and a backslash in the shown name are escaped as well.
    const QString odd = dir + "/ a\\b" + shellLinkSuffix();
    ASSERT_EQ(createShellLink("/opt/q4/QMXLauncher.exe", odd, " a\\b/QMXLauncher.png"), 0);
    EXPECT_TRUE(testsupport::readFile(odd).contains("\nName=\\sa\\\\b\n"));
    EXPECT_TRUE(testsupport::readFile(odd).contains("\nIcon=\\sa\\\\b/QMXLauncher.png\n"));

    // A folder in the way of the file.
    QDir().mkpath(dir + "/taken.desktop");
    EXPECT_LT(createShellLink("/opt/q4/QMXLauncher.exe", dir + "/taken.desktop", "/opt/q4/QMXLauncher.png"), 0);
}

} // namespace
