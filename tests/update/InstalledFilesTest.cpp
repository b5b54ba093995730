// Releases that drop files, turn a file into a folder and back, and empty
// folders, installed over a game the launcher installed and that the player
// keeps files in: every way ends with "Game" exactly the published tree and
// the player's files as they were.

#include "tests/update/UpdateFixture.h"

#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "tests/support/TestEnvironment.h"
#include "update/AutoUpdate.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace updatetest {
namespace {

using testsupport::appDir;
using testsupport::randomBytes;

const Version v100(1, 0, 0);
const Version v110(1, 1, 0);
const Version v120(1, 2, 0);

// Screenshots in a folder of their own, a setting beside the launcher's
// files, a mod in a folder that 1.1.0 drops.
const PlayerFiles kPlayerFiles = {
    {"screenshots/2024/shot1.png", "a screenshot"},
    {"data/user.cfg", "volume=3\n"},
    {"sounds/mine.ogg", "the player's own sound"},
};

class GameTreeTest : public UpdateJobTest
{
protected:
    void SetUp() override
    {
        UpdateJobTest::SetUp();
        m_versionsDir = testsupport::rootDir() + "/tree-versions";
        const QByteArray exe = randomBytes(31, 20000);
        const QMap<QString, QByteArray> v100Files = {
            {"qmx_x64.exe", exe},
            {"data/table.bin", randomBytes(32, 9000)},
            {"data/old.txt", "dropped in 1.1.0\n"},
            {"sounds/a.ogg", randomBytes(33, 3000)},
            {"music/themes/main.ogg", randomBytes(34, 3000)},
            {"config", "a file in 1.0.0\n"},
            {"shaders/basic.glsl", "void main() {}\n"},
            {"shaders/sky/sky.glsl", "sky\n"},
        };
        QMap<QString, QByteArray> v110Files = v100Files;
        for (const char* gone :
             {"data/old.txt", "sounds/a.ogg", "music/themes/main.ogg", "config", "shaders/basic.glsl", "shaders/sky/sky.glsl"})
            v110Files.remove(gone);
        v110Files["qmx_x64.exe"] = exe + "1.1.0";
        v110Files["config/default.cfg"] = "a folder in 1.1.0\n";
        v110Files["config/keys/map.cfg"] = "keys\n";
        v110Files["shaders"] = "a file in 1.1.0\n";
        v110Files["maps/east.map"] = randomBytes(35, 4000);
        QMap<QString, QByteArray> v120Files = v110Files;
        for (const char* gone : {"config/default.cfg", "config/keys/map.cfg", "shaders"})
            v120Files.remove(gone);
        v120Files["qmx_x64.exe"] = exe + "1.2.0";
        v120Files["config"] = "a file again in 1.2.0\n";
        v120Files["shaders/basic.glsl"] = "a folder again in 1.2.0\n";
        v120Files["data/empty.dat"] = QByteArray();
        const struct {
            Version version;
            const QMap<QString, QByteArray>& files;
        } versions[] = {{v100, v100Files}, {v110, v110Files}, {v120, v120Files}};
        for (const auto& v : versions) {
            for (auto it = v.files.constBegin(); it != v.files.constEnd(); ++it)
                testsupport::writeFile(versionDir(v.version) + "/" + it.key(), it.value());
        }
        publish({v100, v110, v120});
    }

    // Offers the one content with this id, for the version it installs.
    void offerOnly(const QString& id)
    {
        publish::Release release = m_release;
        release.contents.clear();
        for (const publish::PublishedContent& content : m_release.contents) {
            if (content.id == id)
                release.contents.append(content);
        }
        ASSERT_EQ(release.contents.size(), 1) << id.toStdString();
        release.gameVersion = release.contents.first().versionTo;
        writeManifest(release.manifest());
    }

    void startOver()
    {
        QDir(gameDirPath()).removeRecursively();
        QDir(appDir() + "/Update").removeRecursively();
        setInstalledGameVersion(Version());
    }

    // The record lists the files of the version, none of the player's.
    void expectRecordIs(const Version& version) const
    {
        const QJsonObject record =
            QJsonDocument::fromJson(testsupport::readFile(appDir() + "/Update/.game-files")).object();
        QStringList files;
        for (const QJsonValue& value : record.value("files").toArray())
            files << value.toString();
        EXPECT_EQ(files.join(' ').toStdString(),
                  QStringList(testsupport::fileDigests(versionDir(version)).keys()).join(' ').toStdString());
    }
};

TEST_F(GameTreeTest, EveryWayEndsWithThePublishedTreeAndThePlayersFiles)
{
    const struct {
        const char* what;
        Version from;
        bool byLauncher; // else copied in, as an older launcher left it
        const char* patchedBefore; // a patch installed by a job of its own first, if any
        const char* content;
        Version to;
    } cases[] = {
        {"a full package drops files and the folders they leave", v100, true, nullptr, "qmx_full_1.2.0", v120},
        {"a full package turns a file into a folder and a folder into a file", v100, true, nullptr,
         "qmx_full_1.1.0", v110},
        {"a full package turns them back", v110, true, nullptr, "qmx_full_1.2.0", v120},
        {"a full package over what a patch brought", v100, true, "qmx_patch_1.0.0_1.1.0", "qmx_full_1.2.0", v120},
        {"a patch turns a file into a folder and a folder into a file, and empties folders", v100, true, nullptr,
         "qmx_patch_1.0.0_1.1.0", v110},
        {"a patch turns them back", v110, true, nullptr, "qmx_patch_1.1.0_1.2.0", v120},
        {"a patch over a game of an older launcher", v100, false, nullptr, "qmx_patch_1.0.0_1.1.0", v110},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        if (c.byLauncher)
            installByLauncher(c.from);
        else
            install(c.from);
        addPlayerFiles(kPlayerFiles);
        if (c.patchedBefore) {
            offerOnly(c.patchedBefore);
            ASSERT_EQ(runJob().result, UpdateDone);
        }
        offerOnly(c.content);

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, UpdateDone);
        EXPECT_EQ(job.installed(), QStringList({"qmx/" + QString(c.content)}));
        EXPECT_EQ(installedGameVersion(), c.to);
        expectGameIs(c.to, true, kPlayerFiles);
        if (c.byLauncher)
            expectRecordIs(c.to);
    }
}

// Without a record, what the game holds beyond the package may be anyone's:
// it stays, as it always did; the package is on record from then on.
TEST_F(GameTreeTest, AFullPackageOverAGameOfAnOlderLauncherRemovesNothing)
{
    install(v100);
    addPlayerFiles(kPlayerFiles);
    offerOnly("qmx_full_1.2.0");
    EXPECT_EQ(runJob().result, UpdateDone);
    PlayerFiles stayed = kPlayerFiles;
    for (const char* path : {"data/old.txt", "sounds/a.ogg", "music/themes/main.ogg", "shaders/sky/sky.glsl"})
        stayed.insert(path, testsupport::readFile(versionDir(v100) + "/" + path));
    expectGameIs(v120, true, stayed);
    expectRecordIs(v120);
}

// What the player put where a release turns a folder into a file is never
// removed: that release cannot be installed, and says so.
TEST_F(GameTreeTest, APlayersFileInTheWayStaysAndTheInstallFails)
{
    const struct {
        const char* what;
        const char* content;
        int result;
    } cases[] = {
        {"by full package", "qmx_full_1.2.0", ErrUpdateFailedToUnpack},
        {"by patch", "qmx_patch_1.1.0_1.2.0", ErrUpdateFailedToPatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        installByLauncher(v110);
        const PlayerFiles mine = {{"config/mine.cfg", "the player's"}};
        addPlayerFiles(mine);
        offerOnly(c.content);
        EXPECT_EQ(runJob().result, c.result);
        EXPECT_EQ(testsupport::readFile(gameDirPath() + "/config/mine.cfg"), mine.value("config/mine.cfg"));
        EXPECT_EQ(installedGameVersion(), v110);
    }
}

TEST_F(GameTreeTest, AGameThatDoesNotMatchItsPatchIsRepairedByTheFullPackage)
{
    const struct {
        const char* what;
        const char* file; // of the game, changed or removed after the install
        bool remove;
        bool fullOffered;
    } cases[] = {
        {"a changed file, a full package on offer", "qmx_x64.exe", false, true},
        {"a missing file, a full package on offer", "qmx_x64.exe", true, true},
        {"a changed file, no full package", "qmx_x64.exe", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        installByLauncher(v100);
        addPlayerFiles(kPlayerFiles);
        const QString file = gameDirPath() + "/" + c.file;
        if (c.remove)
            QFile::remove(file);
        else
            testsupport::writeFile(file, "changed by a mod");
        const QMap<QString, QString> before = testsupport::describeTree(gameDirPath());
        publish::Release release = m_release;
        if (!c.fullOffered) {
            for (int i = release.contents.size() - 1; i >= 0; --i) {
                if (!release.contents.at(i).versionFrom.isValid())
                    release.contents.removeAt(i);
            }
        }
        writeManifest(release.manifest());
        testsupport::clearLog();

        const JobRecord job = runJob();
        int naming = 0;
        for (const QString& line : testsupport::criticalLogLines())
            naming += line.contains("patch apply old hash mismatch for: " + QString(c.file) + " ");
        EXPECT_EQ(naming, 1) << testsupport::criticalLogLines().join('\n').toStdString();
        if (c.fullOffered) {
            EXPECT_EQ(job.result, UpdateDone);
            EXPECT_EQ(job.installed(), QStringList({"qmx/qmx_full_1.2.0"}));
            EXPECT_EQ(installedGameVersion(), v120);
            expectGameIs(v120, true, kPlayerFiles);
        } else {
            EXPECT_EQ(job.result, ErrUpdateFailedToPatch);
            EXPECT_TRUE(job.installed().isEmpty());
            EXPECT_EQ(installedGameVersion(), v100);
            EXPECT_EQ(testsupport::describeTree(gameDirPath()), before);
        }
    }
}

TEST_F(GameTreeTest, APatchListedAsAFullPackageIsRefusedBeforeAnythingIsWritten)
{
    const struct {
        const char* what;
        Version installed;
        const char* wrongKey; // written instead of "version_from"; none: left out
    } cases[] = {
        {"nothing installed, no version_from", Version(), nullptr},
        {"over an installed game, no version_from", v110, nullptr},
        {"over an installed game, versionFrom", v110, "versionFrom"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        if (c.installed.isValid())
            installByLauncher(c.installed);
        addPlayerFiles(kPlayerFiles);
        const QMap<QString, QString> before = testsupport::describeTree(gameDirPath());
        const QByteArray recordBefore = testsupport::readFile(appDir() + "/Update/.game-files");
        // The patch to 1.2.0 stands alone, looking like the full package.
        QJsonObject patch;
        for (const publish::PublishedContent& content : m_release.contents) {
            if (content.id == "qmx_patch_1.1.0_1.2.0")
                patch = content.toJson();
        }
        patch.remove("version_from");
        if (c.wrongKey)
            patch.insert(c.wrongKey, "1.1.0");
        QJsonObject manifest = m_release.manifest();
        QJsonObject game = manifest.value("qmx").toObject();
        game["content"] = QJsonArray{patch};
        manifest["qmx"] = game;
        writeManifest(manifest);
        testsupport::clearLog();

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, ErrUpdateFailedToUnpack);
        EXPECT_TRUE(job.installed().isEmpty());
        EXPECT_EQ(installedGameVersion(), c.installed);
        EXPECT_EQ(testsupport::describeTree(gameDirPath()), before);
        EXPECT_EQ(testsupport::readFile(appDir() + "/Update/.game-files"), recordBefore);
        EXPECT_FALSE(QFileInfo::exists(appDir() + "/Update/.game-unpack")) << "the next start would reinstall";
        const QStringList critical = testsupport::criticalLogLines();
        ASSERT_EQ(critical.size(), 1) << critical.join('\n').toStdString();
        EXPECT_TRUE(critical.first().endsWith("full package refused, it holds patch.conf: qmx_patch_1.1.0_1.2.0 "
                                              + appDir() + "/Update/qmx_patch_1.1.0_1.2.0.7z"))
            << critical.first().toStdString();
    }
}

} // namespace
} // namespace updatetest
