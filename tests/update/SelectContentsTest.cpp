#include "update/SelectContents.h"

#include "tests/support/TestEnvironment.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

struct Item
{
    const char* id;
    const char* from; // "" for a full package
    const char* to;
    qint64 size;
    const char* platform;
};

ProductUpdateInfo product(const QList<Item>& items)
{
    QJsonArray list;
    for (const Item& item : items) {
        QJsonObject object{{"id", item.id}, {"name", QString(item.id) + ".7z"}, {"version_to", item.to},
                           {"size", double(item.size)}, {"platform", item.platform}};
        if (*item.from)
            object.insert("version_from", item.from);
        list.append(object);
    }
    ProductUpdateInfo info;
    info.assign(QJsonObject{{"version", "9.9.9"}, {"content", list}});
    return info;
}

QStringList ids(const QList<UpdateContent>& contents)
{
    QStringList result;
    for (const UpdateContent& c : contents)
        result << c.id();
    return result;
}

class SelectContentsTest : public ::testing::Test
{
protected:
    void TearDown() override { setCpuArchitectureForTests(QString()); }
};

TEST_F(SelectContentsTest, ChainOrFullPackage)
{
    setCpuArchitectureForTests("x86_64");
    const struct {
        const char* what;
        Version installed;
        QList<Item> items;
        QStringList expected;
    } cases[] = {
        {"chain smaller than the full package", Version(1, 0, 0),
         {{"p1", "1.0.0", "1.1.0", 10, "win64"}, {"p2", "1.1.0", "1.2.0", 10, "win64"}, {"f", "", "1.2.0", 100, "win64"}},
         {"p1", "p2"}},
        {"a tie goes to the full package", Version(1, 0, 0),
         {{"p1", "1.0.0", "1.1.0", 10, "win64"}, {"p2", "1.1.0", "1.2.0", 10, "win64"}, {"f", "", "1.2.0", 20, "win64"}},
         {"f"}},
        {"chain stops below the full package", Version(1, 0, 0),
         {{"p1", "1.0.0", "1.1.0", 1, "win64"}, {"f", "", "1.2.0", 100, "win64"}, {"p3", "1.2.0", "1.3.0", 1, "win64"}},
         {"f", "p3"}},
        {"chain passes the full package", Version(1, 0, 0),
         {{"p", "1.0.0", "1.3.0", 500, "win64"}, {"f", "", "1.2.0", 100, "win64"}},
         {"p"}},
        {"no patch from the installed version", Version(0, 5, 0),
         {{"f", "", "1.2.0", 100, "win64"}, {"p3", "1.2.0", "1.3.0", 1, "win64"}},
         {"f", "p3"}},
        {"nothing installed takes the newest full package", Version(),
         {{"p01", "0.1.0", "1.0.0", 1, "win64"}, {"f1", "", "1.0.0", 50, "win32"}, {"f2", "", "2.0.0", 100, "win64"},
          {"p2", "2.0.0", "2.1.0", 1, "win64"}, {"p21", "2.1.0", "2.2.0", 1, "win32"}},
         {"f2", "p2", "p21"}},
        {"a gap ends the chain", Version(1, 0, 0),
         {{"p1", "1.0.0", "1.1.0", 1, "win64"}, {"p3", "1.2.0", "1.3.0", 1, "win64"}},
         {"p1"}},
        {"no look-ahead: the lowest target first", Version(1, 0, 0),
         {{"p2", "1.0.0", "1.2.0", 1, "win64"}, {"p1", "1.0.0", "1.1.0", 1, "win64"}},
         {"p1"}},
        {"nothing installed and no full package", Version(),
         {{"p1", "1.0.0", "1.1.0", 1, "win64"}},
         {}},
        {"unsupported contents are never chosen", Version(1, 0, 0),
         {{"p1", "1.0.0", "1.1.0", 1, "WIN64"}, {"f", "", "1.1.0", 100, "win64"}, {"fx", "", "2.0.0", 100, "arm"}},
         {"f"}},
        {"huge sizes do not overflow the sum", Version(1, 0, 0),
         {{"p1", "1.0.0", "1.1.0", 9000000000000000000, "win64"}, {"p2", "1.1.0", "1.2.0", 9000000000000000000, "win64"},
          {"f", "", "1.2.0", 100, "win64"}},
         {"f"}},
    };
    for (const auto& c : cases) {
        QList<UpdateContent> out = {UpdateContent(QJsonObject{{"id", "stale"}})};
        EXPECT_EQ(selectContents(c.installed, product(c.items), out), !c.expected.isEmpty()) << c.what;
        EXPECT_EQ(ids(out), c.expected) << c.what;
    }
}

TEST_F(SelectContentsTest, PlatformFollowsTheProcessor)
{
    const struct {
        const char* cpu;
        const char* platform;
        bool supported;
        int criticalLines;
    } cases[] = {
        {"x86_64", "win64", true, 0},  {"x86_64", "win32", true, 0}, {"i386", "win32", true, 0},
        {"i386", "win64", false, 1},   {"x86_64", "Win64", false, 2}, {"x86_64", "", false, 2},
        {"arm64", "win32", false, 1},
    };
    for (const auto& c : cases) {
        setCpuArchitectureForTests(c.cpu);
        testsupport::clearLog();
        const UpdateContent content(QJsonObject{{"id", "c1"}, {"platform", c.platform}});
        EXPECT_EQ(isPlatformSupported(content), c.supported) << c.cpu << " " << c.platform;
        EXPECT_EQ(testsupport::logLines().size(), c.criticalLines) << c.cpu << " " << c.platform;
    }
    setCpuArchitectureForTests("x86_64");
    testsupport::clearLog();
    isPlatformSupported(UpdateContent(QJsonObject{{"id", "c1"}, {"platform", "ps4"}}));
    const QStringList lines = testsupport::logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(0).startsWith("crit") && lines.at(0).endsWith("content platform not supported: c1/ps4"));
    EXPECT_TRUE(lines.at(1).endsWith("content does not match cpu: c1/ps4 CPU: x86_64"));
}

TEST_F(SelectContentsTest, AllForAnotherProcessorGivesNothing)
{
    setCpuArchitectureForTests("i386");
    testsupport::clearLog();
    QList<UpdateContent> out;
    EXPECT_FALSE(selectContents(Version(1, 0, 0),
                                product({{"p1", "1.0.0", "1.1.0", 1, "win64"}, {"f", "", "1.1.0", 1, "win64"}}), out));
    EXPECT_TRUE(out.isEmpty());
    // One line per content in the one pass.
    EXPECT_EQ(testsupport::logLines().size(), 2);
}

} // namespace
