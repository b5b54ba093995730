#include "update/Cleanup.h"

#include "core/Paths.h"
#include "tests/support/TestEnvironment.h"
#include "update/UpdateInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

using testsupport::appDir;
using testsupport::writeFile;

UpdateInfo manifest(const char* json)
{
    UpdateInfo info;
    info.assign(QJsonDocument::fromJson(json).object());
    return info;
}

bool exists(const QString& relative)
{
    return QFileInfo::exists(appDir() + "/" + relative);
}

TEST(Cleanup, KeepsWhatTheManifestNamesAndRemovesTheRest)
{
    for (const char* file : {"Update/game_full.7z", "Update/GAME_PATCH.7Z", "Update/launcher.7z",
                             "Update/other_product.7z", "Update/stray.txt", "Update/torrent dir/part.bin",
                             "UpdateTemp/p1/patch.conf", "UpdateTemp/p1_work/x"})
        writeFile(appDir() + "/" + file, "x");

    cleanupDownloads(manifest(R"({
        "qmx": {"content": [{"name": "game_full.7z"}, {"name": "game_patch.7z"}]},
        "qmx_launcher_en": {"content": [{"name": "launcher.7z"}]},
        "other": {"content": [{"name": "other_product.7z"}]}})"));

    EXPECT_TRUE(exists("Update/game_full.7z"));
    EXPECT_TRUE(exists("Update/GAME_PATCH.7Z")); // case is ignored
    EXPECT_TRUE(exists("Update/launcher.7z"));
    EXPECT_FALSE(exists("Update/other_product.7z"));
    EXPECT_FALSE(exists("Update/stray.txt"));
    EXPECT_TRUE(exists("Update/torrent dir/part.bin")); // folders are not entered
    EXPECT_FALSE(exists("UpdateTemp"));

    EXPECT_TRUE(testsupport::logContains("cleanup success: " + appDir() + "/UpdateTemp"));
    EXPECT_TRUE(testsupport::logContains("cleanup success: " + appDir() + "/Update/stray.txt"));
}

TEST(Cleanup, FilesThatTorrentsHoldStay)
{
    for (const char* file : {"Update/Seeded.7z", "Update/other.7z", "Update/.game-unpack"})
        writeFile(appDir() + "/" + file, "x");
    cleanupDownloads(UpdateInfo(), {"seeded.7z"});
    EXPECT_TRUE(exists("Update/Seeded.7z"));
    EXPECT_FALSE(exists("Update/other.7z"));
    EXPECT_TRUE(exists("Update/.game-unpack")); // hidden files are not listed
}

TEST(Cleanup, WithoutAManifestEveryPlainFileGoes)
{
    writeFile(appDir() + "/Update/a.7z", "x");
    writeFile(appDir() + "/Update/sub/b.7z", "x");
    cleanupDownloads(UpdateInfo());
    EXPECT_FALSE(exists("Update/a.7z"));
    EXPECT_TRUE(exists("Update/sub/b.7z"));
}

TEST(Cleanup, MissingDirectoriesLogNothing)
{
    cleanupDownloads(manifest(R"({"qmx": {}})"));
    EXPECT_TRUE(testsupport::logLines().isEmpty());
    EXPECT_FALSE(exists("Update"));
    EXPECT_FALSE(exists("UpdateTemp"));
}

TEST(Cleanup, AnUpdateTempThatIsAFileIsLeftAlone)
{
    writeFile(appDir() + "/UpdateTemp", "not a directory");
    writeFile(appDir() + "/Update/a.txt", "x");
    cleanupDownloads(UpdateInfo());
    EXPECT_TRUE(exists("UpdateTemp"));
    EXPECT_FALSE(exists("Update/a.txt"));
    EXPECT_FALSE(testsupport::logContains("UpdateTemp"));
}

} // namespace
