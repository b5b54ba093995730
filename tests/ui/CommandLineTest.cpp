#include "ui/CommandLine.h"

#include "install/HandOver.h"

#include "tests/support/Printers.h"

#include <gtest/gtest.h>

namespace {

using install::HandOverPath;
using install::HandOverPid;

TEST(CommandLine, ReadsTheActionAndItsOptions)
{
    using Options = QHash<int, QVariant>;
    const struct {
        QStringList arguments; // after the program
        int action;
        Options options;
    } cases[] = {
        {{}, ActionNone, {}},
        {{"--install"}, ActionInstall, {}},
        {{"--uninstall"}, ActionUninstall, {}},
        {{"--update", "--path", "/opt/q4/QMXLauncher.exe", "--pid", "4242"},
         ActionUpdate,
         {{HandOverPath, "/opt/q4/QMXLauncher.exe"}, {HandOverPid, 4242}}},
        // The last action wins; a later option replaces an earlier one.
        {{"--install", "--update"}, ActionUpdate, {}},
        {{"--uninstall", "--install"}, ActionInstall, {}},
        {{"--path", "a", "--path", "b", "--pid", "1", "--pid", "2"}, ActionNone, {{HandOverPath, "b"}, {HandOverPid, 2}}},
        // An option at the end has no value and is dropped.
        {{"--update", "--path"}, ActionUpdate, {}},
        {{"--update", "--pid"}, ActionUpdate, {}},
        // The value is the next argument, whatever it looks like.
        {{"--path", "--pid", "42"}, ActionNone, {{HandOverPath, "--pid"}}},
        {{"--path", "--install"}, ActionNone, {{HandOverPath, "--install"}}},
        {{"--path", ""}, ActionNone, {{HandOverPath, ""}}},
        // A pid that is no base-10 number is 0.
        {{"--pid", "12ab"}, ActionNone, {{HandOverPid, 0}}},
        {{"--pid", "0x10"}, ActionNone, {{HandOverPid, 0}}},
        {{"--pid", "-7"}, ActionNone, {{HandOverPid, -7}}},
        // Literals are exact.
        {{"--Install", "-install", "--install=1", "install", " --install"}, ActionNone, {}},
        {{"--PATH", "x", "-pid", "3"}, ActionNone, {}},
    };
    for (const auto& c : cases) {
        Options options{{9, "left over"}};
        const int action = parseCommandLine(QStringList{"QMXLauncher.exe"} + c.arguments, options);
        EXPECT_EQ(action, c.action) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(options, c.options) << c.arguments.join(' ').toStdString();
        for (auto it = options.cbegin(); it != options.cend(); ++it) {
            const QVariant::Type expected = it.key() == HandOverPid ? QVariant::Int : QVariant::String;
            EXPECT_EQ(it.value().type(), expected) << c.arguments.join(' ').toStdString();
        }
    }
}

TEST(CommandLine, TheProgramItselfIsNeverAnArgument)
{
    QHash<int, QVariant> options;
    EXPECT_EQ(parseCommandLine({"--install"}, options), ActionNone);
    EXPECT_EQ(parseCommandLine({}, options), ActionNone);
    EXPECT_TRUE(options.isEmpty());
}

} // namespace
