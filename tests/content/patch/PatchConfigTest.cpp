#include "content/patch/PatchConfig.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

QString writeConfig(const QByteArray& json)
{
    return testsupport::writeFile(testsupport::rootDir() + "/patch/patch.conf", json);
}

TEST(PatchConfig, LoadFailuresKeepTheEarlierRecord)
{
    PatchConfig config;
    ASSERT_TRUE(config.loadFile(writeConfig(R"({"version_from": "1.2.3", "patch": {}})")));
    EXPECT_EQ(config.versionFrom(), Version(1, 2, 3));

    const QString missing = testsupport::rootDir() + "/nowhere/patch.conf";
    EXPECT_FALSE(config.loadFile(missing));
    EXPECT_TRUE(testsupport::logContains("PatchConfig failed to open: " + missing));

    const QString broken = writeConfig(R"({"version_from": "2.0.0",)");
    EXPECT_FALSE(config.loadFile(broken));
    const QStringList lines = testsupport::logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("crit"));
    EXPECT_TRUE(lines[1].endsWith("PatchConfig failed to load: " + broken + " error: unterminated object"))
        << lines[1].toStdString();
    EXPECT_EQ(config.versionFrom(), Version(1, 2, 3));

    // Parsed but empty: false, nothing logged, and the empty object is kept.
    testsupport::clearLog();
    for (const QByteArray json : {"{}", "[1, 2]"}) {
        EXPECT_FALSE(config.loadFile(writeConfig(json))) << json.constData();
        EXPECT_FALSE(config.isValid());
    }
    EXPECT_TRUE(testsupport::logLines().isEmpty());

    ASSERT_TRUE(config.loadFile(writeConfig(R"({"version_from": "3.0.1"})")));
    EXPECT_EQ(config.versionFrom(), Version(3, 0, 1));
    EXPECT_TRUE(config.modified().isEmpty());
}

TEST(PatchConfig, ReadsTheListsForgivingly)
{
    const struct {
        const char* json;
        int added, modified, removed;
    } cases[] = {
        {R"({"v": 1})", 0, 0, 0},
        {R"({"patch": "text"})", 0, 0, 0},
        {R"({"patch": {"modified": {"path": "a"}, "added": [{"path": "b"}], "removed": []}})", 1, 0, 0},
        {R"({"patch": {"modified": [{}, {"path": "a"}, 3, "x"], "removed": [{"path": "c"}]}})", 0, 4, 1},
    };
    for (const auto& c : cases) {
        PatchConfig config;
        config.loadFile(writeConfig(c.json));
        EXPECT_EQ(config.added().size(), c.added) << c.json;
        EXPECT_EQ(config.modified().size(), c.modified) << c.json;
        EXPECT_EQ(config.removed().size(), c.removed) << c.json;
    }
}

TEST(PatchConfig, EntriesCarryTheirFields)
{
    PatchConfig config;
    ASSERT_TRUE(config.loadFile(writeConfig(R"({"patch": {"modified": [
        {"path": "bin/game.dat", "sha1_old": "aa", "sha1_new": "bb", "size": 1234},
        {"path": "two", "size": "1234"},
        {"path": 5, "sha1_old": null, "size": "12ab"},
        7,
        {}
    ]}})")));
    const QList<PatchContent> entries = config.modified();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_TRUE(entries[0].isValid());
    EXPECT_EQ(entries[0].path(), "bin/game.dat");
    EXPECT_EQ(entries[0].sha1Old(), "aa");
    EXPECT_EQ(entries[0].sha1New(), "bb");
    EXPECT_EQ(entries[0].size(), 1234);
    EXPECT_EQ(entries[1].size(), 1234);
    EXPECT_TRUE(entries[2].isValid());
    EXPECT_EQ(entries[2].path(), "");
    EXPECT_EQ(entries[2].sha1Old(), "");
    EXPECT_EQ(entries[2].size(), 0);
    EXPECT_FALSE(entries[3].isValid());
    EXPECT_FALSE(entries[4].isValid());
}

} // namespace
