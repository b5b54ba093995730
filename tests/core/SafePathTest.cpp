#include "core/SafePath.h"

#include <gtest/gtest.h>

namespace {

TEST(SafePath, JoinsCleanRelativePaths)
{
    const struct {
        QString base, relative, expected;
    } cases[] = {
        {"/games/q", "a.txt", "/games/q/a.txt"},
        {"/games/q/", "a/b/c.dat", "/games/q/a/b/c.dat"},
        {"/games/q", "a//./b/", "/games/q/a/b"},
        {"/games/q", "./a", "/games/q/a"},
        {"/games/q", "...", "/games/q/..."},         // not a parent reference
        {"/games/q", "..a/b..", "/games/q/..a/b.."},
        {"/games/q", "..\\x", "/games/q/..\\x"},      // a backslash is an ordinary character
        {"/games/q", "C:/x", "/games/q/C:/x"},
        {"/games/q", QString::fromUtf8("d\xC3\xBC/\xF0\x9F\x8E\xAE"), QString::fromUtf8("/games/q/d\xC3\xBC/\xF0\x9F\x8E\xAE")},
        {"", "a/./b", "a/b"},
    };
    for (const auto& c : cases) {
        QString joined = "unchanged";
        EXPECT_TRUE(safeJoinPath(c.base, c.relative, joined)) << c.relative.toStdString();
        EXPECT_EQ(joined, c.expected) << c.relative.toStdString();
    }
}

TEST(SafePath, RefusesPathsThatLeaveOrNameTheBase)
{
    const QString refused[] = {
        "",
        ".",
        "./",
        "//",
        "/etc/passwd",
        "//server/share",
        "..",
        "../x",
        "a/../../x",
        "a/..",          // stays inside lexically, still refused
        "a/b/../c",
        "a/..//b",
        QString("a") + QChar(0) + "/../x",
    };
    for (const QString& relative : refused) {
        QString joined = "unchanged";
        EXPECT_FALSE(safeJoinPath("/games/q", relative, joined)) << relative.toStdString();
        EXPECT_EQ(joined, "unchanged");
    }
}

TEST(SafePath, PlainFileNames)
{
    const struct {
        QString name;
        bool plain;
    } cases[] = {
        {"game_1.0.0.7z", true},
        {"...", true},
        {"a\\b", true}, // a backslash is an ordinary character
        {"", false},
        {".", false},
        {"..", false},
        {"a/b", false},
        {"/abs", false},
        {"dir/", false},
        {QString("a") + QChar(0), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isPlainFileName(c.name), c.plain) << c.name.toStdString();
}

} // namespace
