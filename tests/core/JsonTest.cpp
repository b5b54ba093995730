#include "core/JsonSettings.h"
#include "core/JsonWrapper.h"
#include "platform/FileLock.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>


namespace {

JsonWrapper record(const char* json)
{
    JsonWrapper r;
    r.assign(QJsonDocument::fromJson(json).object());
    return r;
}

TEST(JsonWrapper, GettersAreForgiving)
{
    const JsonWrapper r = record(R"({"s": "text", "n": 123, "ns": "123", "bad": "12a", "t": true,
                                     "big": 1e30, "neg": "-5", "o": {"k": 1}, "str": "x", "nul": null})");
    const struct {
        const char* key;
        QString string;
        qint64 number;
    } cases[] = {
        {"s", "text", 0},
        {"n", "", 123},
        {"ns", "123", 123},
        {"bad", "12a", 0},
        {"t", "", 0},
        {"big", "", 0},
        {"neg", "-5", -5},
        {"o", "", 0},
        {"nul", "", 0},
        {"missing", "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r.getString(c.key), c.string) << c.key;
        EXPECT_EQ(r.getInt64(c.key), c.number) << c.key;
    }

    JsonWrapper target = record(R"({"before": 1})");
    EXPECT_FALSE(r.getObject("missing", target));
    EXPECT_EQ(target.getInt64("before"), 1); // untouched
    EXPECT_TRUE(r.getObject("str", target)); // not an object: empty, still true
    EXPECT_FALSE(target.isValid());
    EXPECT_TRUE(r.getObject("o", target));
    EXPECT_EQ(target.getInt64("k"), 1);

    JsonWrapper plain;
    EXPECT_FALSE(plain.assign(QJsonObject()));
    EXPECT_TRUE(plain.assign(QJsonObject{{"a", 1}}));
    EXPECT_EQ(record(R"({"version_from": "1.2"})").versionFrom(), Version(1, 2, 0));
    EXPECT_EQ(record(R"({"version_from": 3})").versionFrom(), Version());
}

class JsonSettingsTest : public ::testing::Test
{
protected:
    QString path() const { return testsupport::appDir() + "/QMXLauncher.conf"; }
};

TEST_F(JsonSettingsTest, LoadFailuresKeepWhatWasHeld)
{
    JsonSettings settings;
    settings.setValue("eula_accepted", 20171002);

    EXPECT_FALSE(settings.load(path())); // missing
    for (const QByteArray& content : {QByteArray(), QByteArray("{\"a\": ")}) {
        testsupport::writeFile(path(), content);
        EXPECT_FALSE(settings.load(path())) << content.constData();
    }
    EXPECT_EQ(settings.value("eula_accepted").toInt(), 20171002);

    testsupport::writeFile(path(), "[1, 2]");
    EXPECT_TRUE(settings.load(path()));
    EXPECT_FALSE(settings.value("eula_accepted").isValid());
    EXPECT_EQ(settings.value("never set").toInt(), 0);
}

// A settings file that cannot be parsed (a hand edit gone wrong) still
// holds what the player set, such as "update_url" and the installed version:
// it is moved aside, never over an earlier copy, before a save replaces it.
TEST_F(JsonSettingsTest, AnUnreadableFileIsKeptAsideWithOneCriticalLine)
{
    const QByteArray trailingComma = R"({"update_url": "http://127.0.0.1/x.json", "qmx.installed_version": "1.1.0",})";
    const QByteArray earlier = "an earlier unreadable copy";
    const struct {
        const char* what;
        QByteArray content;
        QStringList earlierCopies; // standing beside before the load
        QString kept;              // empty: nothing is kept, nothing is logged
    } cases[] = {
        {"a trailing comma", trailingComma, {}, ".unreadable"},
        {"not JSON at all", QByteArray("\x00\xff\xfe binary", 10), {}, ".unreadable"},
        {"an earlier copy beside it", trailingComma, {".unreadable"}, ".unreadable.2"},
        {"two earlier copies", trailingComma, {".unreadable", ".unreadable.2"}, ".unreadable.3"},
        {"an empty file", QByteArray(), {}, {}},
        {"white space only", " \n\t\n", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QDir dir(testsupport::appDir());
        for (const QString& name : dir.entryList({"QMXLauncher.conf*"}, QDir::Files))
            QFile::remove(dir.filePath(name));
        testsupport::writeFile(path(), c.content);
        for (const QString& suffix : c.earlierCopies)
            testsupport::writeFile(path() + suffix, earlier);
        testsupport::clearLog();

        JsonSettings settings;
        settings.setValue("eula_accepted", 20171002);
        EXPECT_FALSE(settings.load(path()));
        EXPECT_EQ(settings.value("eula_accepted").toInt(), 20171002);
        for (const QString& suffix : c.earlierCopies)
            EXPECT_EQ(testsupport::readFile(path() + suffix), earlier);

        const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
        if (c.kept.isEmpty()) {
            EXPECT_EQ(testsupport::readFile(path()), c.content);
            EXPECT_EQ(criticals, QStringList());
            continue;
        }
        EXPECT_FALSE(QFileInfo::exists(path()));
        EXPECT_EQ(testsupport::readFile(path() + c.kept), c.content);
        ASSERT_EQ(criticals.size(), 1);
        EXPECT_TRUE(criticals[0].contains("Settings load failed: " + path() + ": ")) << criticals[0].toStdString();
        EXPECT_TRUE(criticals[0].endsWith("; the file is kept as " + path() + c.kept)) << criticals[0].toStdString();

        // The next save writes the settings anew and leaves the copy.
        ASSERT_TRUE(settings.save(path()));
        EXPECT_EQ(testsupport::readFile(path() + c.kept), c.content);
    }
}

TEST_F(JsonSettingsTest, SaveWritesTheWholeFlatObject)
{
    testsupport::writeFile(path(), R"({"update_url": "http://127.0.0.1/x.json", "stale": 1})");
    JsonSettings settings;
    ASSERT_TRUE(settings.load(path()));
    settings.setValue("general.ui_language", "zh_CN");
    settings.setValue("eula_accepted", 20171002);
    settings.setValue("stale", 2);
    ASSERT_TRUE(settings.save(path()));

    const QJsonObject saved = QJsonDocument::fromJson(testsupport::readFile(path())).object();
    EXPECT_EQ(saved.size(), 4);
    EXPECT_EQ(saved.value("general.ui_language").toString(), "zh_CN"); // a top-level key, not a path
    EXPECT_FALSE(saved.contains("general"));
    EXPECT_EQ(saved.value("eula_accepted").toInt(), 20171002);
    EXPECT_EQ(saved.value("stale").toInt(), 2);
    EXPECT_EQ(saved.value("update_url").toString(), "http://127.0.0.1/x.json");
    EXPECT_TRUE(testsupport::readFile(path()).contains("\n    \"eula_accepted\"")); // indented form

    EXPECT_FALSE(settings.save(testsupport::rootDir() + "/no/such/dir/QMXLauncher.conf"));
}

// A save killed half-way leaves its temporary file beside the settings; the
// next start, which may well save nothing, takes it away. The file of a save
// that another launcher is making at that moment (locked) stays.
TEST_F(JsonSettingsTest, LoadingRemovesWhatAKilledSaveLeft)
{
    testsupport::writeFile(path(), R"({"eula_accepted": 20171002})");
    const QString dir = testsupport::appDir();
    const QString killed = testsupport::writeFile(dir + "/.QMXLauncher.conf.tmp-Ab12Cd", "{\"eula_acc");
    const QString live = testsupport::writeFile(dir + "/.QMXLauncher.conf.tmp-Xy34Zw", "{\"eula");
    const QString other = testsupport::writeFile(dir + "/QMXLauncher.conf.backup", "the player's own");
    const int liveFd = ::open(QFile::encodeName(live).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(liveFd, 0);
    ASSERT_TRUE(platform::lockExclusively(liveFd, 1000));

    JsonSettings settings;
    EXPECT_TRUE(settings.load(path()));
    ::close(liveFd);
    EXPECT_EQ(settings.value("eula_accepted").toInt(), 20171002);
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_TRUE(QFileInfo::exists(live));
    EXPECT_TRUE(QFileInfo::exists(other));
}

// A disk that fills up in the middle of the save must not cost the user the
// settings already on disk, whether the write fails at once (a large
// document) or only when Qt flushes its buffer (a small one).
TEST_F(JsonSettingsTest, FailedSaveLeavesTheOldFileWhole)
{
    for (const int padding : {64 * 1024, 300}) {
        JsonSettings settings;
        settings.setValue("eula_accepted", 20171002);
        ASSERT_TRUE(settings.save(path()));
        const QByteArray before = testsupport::readFile(path());

        settings.setValue("padding", QString(padding, 'x'));
        bool saved = true;
        {
            testsupport::FileSizeLimit limit(before.size() + 16);
            saved = settings.save(path());
        }
        EXPECT_FALSE(saved) << padding;
        EXPECT_EQ(testsupport::readFile(path()), before) << padding;
    }
}

} // namespace
