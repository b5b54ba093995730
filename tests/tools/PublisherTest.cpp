// The test publisher that every update test, benchmark and the demo build
// their releases with: a patch it writes must turn the old version into the
// new one, wherever it was given its folders from.

#include "content/archive/ExtractArchive.h"
#include "content/patch/Patch.h"
#include "tests/support/TestEnvironment.h"
#include "tools/publish/Publisher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using testsupport::fileDigests;
using testsupport::randomBytes;
using testsupport::rootDir;
using testsupport::writeFile;

class PublisherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QByteArray pack = randomBytes(1, 40000);
        QByteArray edited = pack;
        edited.replace(2000, 16, randomBytes(2, 16));
        writeFile(version("1.0.0") + "/data/pack.bin", pack);
        writeFile(version("1.0.0") + "/readme.txt", "Quillmere 4\n");
        writeFile(version("1.0.0") + "/old.txt", "dropped in 1.1.0\n");
        writeFile(version("1.1.0") + "/data/pack.bin", edited);
        writeFile(version("1.1.0") + "/readme.txt", "Quillmere 4\n");
        writeFile(version("1.1.0") + "/new.txt", "added in 1.1.0\n");
        m_cwd = QDir::currentPath();
    }

    void TearDown() override { QDir::setCurrent(m_cwd); }

    static QString version(const QString& name) { return rootDir() + "/versions/" + name; }

    // The paths of one list of an unpacked patch's "patch.conf".
    static QStringList entries(const QJsonObject& config, const QString& list)
    {
        QStringList paths;
        for (const QJsonValue& entry : config.value("patch").toObject().value(list).toArray())
            paths << entry.toObject().value("path").toString();
        return paths;
    }

    QString m_cwd;
};

TEST_F(PublisherTest, APatchHoldsTheGamePathsHoweverTheFoldersAreGiven)
{
    const QString rootName = QFileInfo(rootDir()).fileName();
    const struct {
        const char* what;
        QString versions;
        QString out;
    } cases[] = {
        {"absolute folders", rootDir() + "/versions", rootDir() + "/release-absolute"},
        {"relative folders", "versions", "release-relative"},
        {"relative folders through ..", "../" + rootName + "/versions", "./release-dots"},
    };
    QDir::setCurrent(rootDir());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        publish::ReleaseOptions options;
        options.versionsDir = c.versions;
        options.outDir = c.out;
        options.baseUrls = QStringList{"http://127.0.0.1:1"};
        options.fulls = {Version(1, 0, 0)};
        options.compressionLevel = 0;
        publish::Release release;
        QString error;
        ASSERT_TRUE(publish::publishRelease(options, release, &error)) << error.toStdString();
        ASSERT_EQ(release.contents.size(), 2);
        const publish::PublishedContent& patch = release.contents.at(1);
        ASSERT_EQ(patch.id, "qmx_patch_1.0.0_1.1.0");

        // The patch as the launcher unpacks it.
        const QString unpacked = rootDir() + "/unpacked-" + c.out.section('/', -1);
        ASSERT_TRUE(unpackArchive(patch.archivePath, unpacked, nullptr));
        const QJsonObject config =
            QJsonDocument::fromJson(testsupport::readFile(unpacked + "/patch.conf")).object();
        EXPECT_EQ(entries(config, "modified"), QStringList{"data/pack.bin"});
        EXPECT_EQ(entries(config, "added"), QStringList{"new.txt"});
        EXPECT_EQ(entries(config, "removed"), QStringList{"old.txt"});
        EXPECT_LT(QFileInfo(unpacked + "/data/pack.bin").size(), 40000) << "a delta, not the file";

        // It turns 1.0.0 into 1.1.0.
        const QString game = rootDir() + "/game-" + c.out.section('/', -1);
        ASSERT_TRUE(testsupport::copyFiles(version("1.0.0"), game));
        Patch apply(nullptr);
        ASSERT_TRUE(apply.load(unpacked));
        ASSERT_TRUE(apply.apply(game, unpacked + "-work"));
        EXPECT_EQ(fileDigests(game), fileDigests(version("1.1.0")));
    }
}

TEST_F(PublisherTest, NoPatchCarriesAFileFromOutsideTheVersionTrees)
{
    const QString outside = writeFile(rootDir() + "/elsewhere/secret.txt", "not the game's\n");
    const struct {
        const char* what;
        QString link; // a link to the file outside
    } cases[] = {
        {"a link in the new version", version("1.1.0") + "/data/linked.txt"},
        {"a link in the old version", version("1.0.0") + "/data/linked.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QFile::link(outside, c.link));
        const QString patchDir = rootDir() + "/patch";
        QString error;
        EXPECT_FALSE(publish::buildPatchDirectory(version("1.0.0"), version("1.1.0"), Version(1, 0, 0), patchDir,
                                                  &error));
        EXPECT_TRUE(error.contains("does not lie inside")) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(patchDir)) << "nothing written";
        ASSERT_TRUE(QFile::remove(c.link));
    }
}

} // namespace
