#include "tests/update/UpdateFixture.h"

#include "core/Localization.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestEnvironment.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"
#include "update/SelectContents.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QThread>

#include <functional>

namespace updatetest {
namespace {

using testsupport::appDir;
using testsupport::logContains;

const Version v100(1, 0, 0);
const Version v110(1, 1, 0);
const Version v120(1, 2, 0);

const QString kFull100 = "qmx/qmx_full_1.0.0";
const QString kFull120 = "qmx/qmx_full_1.2.0";
const QString kPatch1 = "qmx/qmx_patch_1.0.0_1.1.0";
const QString kPatch2 = "qmx/qmx_patch_1.1.0_1.2.0";

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// A URL on which nothing listens.
QUrl refusedUrl()
{
    return QUrl("http://127.0.0.1:1/update.json");
}

publish::PublishedContent* findContent(publish::Release& release, const QString& id)
{
    for (publish::PublishedContent& content : release.contents) {
        if (content.id == id)
            return &content;
    }
    ADD_FAILURE() << "no content " << id.toStdString();
    static publish::PublishedContent none;
    return &none;
}

TEST(AutoUpdateStatics, BuiltInUrlsAndErrorTexts)
{
    ASSERT_TRUE(setLanguage("en_US"));
    const QList<QUrl> urls = updateManifestUrls();
    ASSERT_EQ(urls.size(), 3);
    EXPECT_EQ(urls.at(0).path(), "/update.json");
    for (const QUrl& url : urls) {
        EXPECT_EQ(url.scheme(), "https");
        EXPECT_FALSE(url.hasQuery());
    }
    EXPECT_EQ(urls.at(1).path(), "/qmx/update.json");
    EXPECT_EQ(urls.at(2).path(), "/qmx/update.json");
    EXPECT_NE(urls.at(1).host(), urls.at(2).host());

    for (int code : {0, 1, 11, -1})
        EXPECT_TRUE(AutoUpdate::errorText(code).isEmpty()) << code;
    EXPECT_EQ(AutoUpdate::errorText(ErrUpdateDownloadFailed),
              "Game content failed to download. Please check your internet connection and try again.");
    for (int code = ErrUpdateInfoQueryFailed; code <= ErrUnknown; ++code)
        EXPECT_FALSE(AutoUpdate::errorText(code).isEmpty()) << code;

    ProductUpdateInfo game;
    EXPECT_FALSE(AutoUpdate::instance()->gameUpdateInfo(game));
    EXPECT_FALSE(AutoUpdate::instance()->hasTorrents());
    AutoUpdate::destroyInstance();
}

TEST_F(UpdateJobTest, FreshInstallTakesTheFullPackageThenThePatches)
{
    publish({v100});
    // Long enough pauses for the progress timer to tick during the job.
    setInstallPauseForTests(600);

    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    EXPECT_EQ(job.installed(), QStringList({kFull100, kPatch1, kPatch2}));
    ASSERT_FALSE(job.events.isEmpty());
    EXPECT_EQ(job.events.first(), "start");
    EXPECT_EQ(job.events.last(), "finish:0");
    const int firstInstalled = job.events.indexOf(QRegularExpression("^installed:.*"));
    EXPECT_GT(job.events.indexOf("progress"), 0);
    EXPECT_LT(job.events.indexOf("progress"), firstInstalled);
    EXPECT_NE(job.finishThread, QCoreApplication::instance()->thread());
    EXPECT_NE(job.installedThread, QCoreApplication::instance()->thread());

    expectGameIs(v120);
    EXPECT_EQ(installedGameVersion(), v120);
    EXPECT_FALSE(QFileInfo::exists(appDir() + "/UpdateTemp"));
    EXPECT_EQ(entriesOf(appDir() + "/Update"),
              QStringList({"qmx_full_1.0.0.7z", "qmx_patch_1.0.0_1.1.0.7z", "qmx_patch_1.1.0_1.2.0.7z"}));
    EXPECT_TRUE(logContains("patch success: qmx_patch_1.1.0_1.2.0"));
    EXPECT_TRUE(logContains("cleanup success: " + appDir() + "/UpdateTemp"));
}

TEST_F(UpdateJobTest, InstalledVersionFollowsThePatchChain)
{
    publish({v120});
    install(v100);
    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    EXPECT_EQ(job.installed(), QStringList({kPatch1, kPatch2}));
    expectGameIs(v120);
    EXPECT_EQ(installedGameVersion(), v120);
    EXPECT_FALSE(QFileInfo::exists(appDir() + "/UpdateTemp"));
    EXPECT_FALSE(QFileInfo::exists(appDir() + "/Update/qmx_full_1.2.0.7z"));
}

TEST_F(UpdateJobTest, ChainOrFullPackageBySize)
{
    publish({v120});
    const qint64 fullSize = findContent(m_release, "qmx_full_1.2.0")->size;
    const struct {
        const char* what;
        qint64 patchSize; // of each of the two patches; 0: as published
        QStringList installed;
    } cases[] = {
        {"the smaller chain", 0, {kPatch1, kPatch2}},
        {"a tie goes to the full package", fullSize / 2, {kFull120}},
        {"the smaller full package", fullSize, {kFull120}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(gameDirPath()).removeRecursively();
        QDir(appDir() + "/Update").removeRecursively();
        install(v100);
        publish::Release release = m_release;
        if (c.patchSize > 0) {
            findContent(release, "qmx_patch_1.0.0_1.1.0")->size = c.patchSize;
            // The tie needs an exact sum.
            findContent(release, "qmx_patch_1.1.0_1.2.0")->size = c.patchSize == fullSize / 2
                                                                     ? fullSize - c.patchSize
                                                                     : c.patchSize;
        }
        writeManifest(release.manifest());
        const JobRecord job = runJob();
        EXPECT_EQ(job.result, UpdateDone);
        EXPECT_EQ(job.installed(), c.installed);
        // A full package is unpacked over the old files: what 1.1.0 removed stays.
        const bool viaFull = c.installed.first() == kFull120;
        expectGameIs(v120, !viaFull);
        EXPECT_EQ(QFileInfo::exists(gameDirPath() + "/data/old.txt"), viaFull);
    }
}

TEST_F(UpdateJobTest, UpToDateCleansUpAndInstallsNothing)
{
    publish({v100});
    install(v120);
    testsupport::writeFile(appDir() + "/Update/stray.7z", "old");
    testsupport::writeFile(appDir() + "/Update/qmx_full_1.0.0.7z", "kept");
    testsupport::writeFile(appDir() + "/UpdateTemp/leftover/patch.conf", "{}");

    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateUpToDate);
    EXPECT_TRUE(job.installed().isEmpty());
    EXPECT_EQ(entriesOf(appDir() + "/Update"), QStringList({"qmx_full_1.0.0.7z"}));
    EXPECT_FALSE(QFileInfo::exists(appDir() + "/UpdateTemp"));
    expectGameIs(v120);
}

TEST_F(UpdateJobTest, CheckOnlyJobStoresTheManifestAndTouchesNothing)
{
    publish({v100});
    testsupport::writeFile(appDir() + "/Update/stray.7z", "old");
    const JobRecord job = runJob({manifestUrl()}, false);
    EXPECT_EQ(job.result, UpdateDone);
    EXPECT_TRUE(job.installed().isEmpty());
    EXPECT_EQ(entriesOf(appDir() + "/Update"), QStringList({"stray.7z"}));
    EXPECT_TRUE(entriesOf(gameDirPath()).isEmpty());

    ProductUpdateInfo game;
    ASSERT_TRUE(AutoUpdate::instance()->gameUpdateInfo(game));
    EXPECT_EQ(game.version(), v120);
    EXPECT_EQ(game.getInt64("size"), m_release.installSize);
}

TEST_F(UpdateJobTest, ManifestMirrorsAreTriedInOrder)
{
    publish({v100});
    m_server->setRule("/error.html", QJsonObject{{"status", 404}, {"body", "<html>missing</html>"}});
    testsupport::writeFile(m_server->root() + "/empty.json", "{}");
    testsupport::writeFile(m_server->root() + "/array.json", "[1, 2]");
    const QUrl good = manifestUrl();
    const QUrl errorPage = m_server->url("/error.html");
    const QUrl empty = m_server->url("/empty.json");
    const QUrl array = m_server->url("/array.json");
    const struct {
        const char* what;
        QList<QUrl> urls;
        int result;
    } cases[] = {
        {"first ones fail, the last is good", {refusedUrl(), errorPage, empty, good}, UpdateDone},
        {"a good one stops the search", {good, refusedUrl()}, UpdateDone},
        {"unreachable", {refusedUrl()}, ErrUpdateInfoQueryFailed},
        {"the last one decides: a failed fetch", {empty, refusedUrl()}, ErrUpdateInfoQueryFailed},
        {"the last one decides: an empty manifest", {refusedUrl(), empty}, ErrUpdateInfoNotValid},
        {"an array is no manifest", {array}, ErrUpdateInfoNotValid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::clearLog();
        EXPECT_EQ(runJob(c.urls, false).result, c.result);
    }

    testsupport::clearLog();
    EXPECT_EQ(runJob({refusedUrl(), errorPage, good}, false).result, UpdateDone);
    const QStringList expected = {
        "download update info...",
        "download update info fail: " + refusedUrl().toString(),
        "download update info...",
        "download update info fail: " + errorPage.toString(),
        "download update info...",
        "download update info success.",
        "parsing update info success.",
    };
    QStringList ours;
    for (const QString& line : testsupport::logLines()) {
        for (const QString& text : expected) {
            if (line.endsWith(text)) {
                ours << text;
                break;
            }
        }
    }
    EXPECT_EQ(ours, expected);

    // A full job on such a list goes on to install.
    const JobRecord job = runJob({refusedUrl(), good});
    EXPECT_EQ(job.result, UpdateDone);
    expectGameIs(v120);
}

TEST_F(UpdateJobTest, FailuresEndTheJobWithTheirCode)
{
    struct Case {
        const char* what;
        std::function<void()> setUp;
        int result;
        QString logLine;
        QStringList installed;
        Version versionAfter;
        bool gameUpdateRan; // and with it the cleanup
    };
    const auto manifestWith = [this](const std::function<void(QJsonObject&)>& edit) {
        QJsonObject manifest = m_release.manifest();
        edit(manifest);
        writeManifest(manifest);
    };
    const QList<Case> cases = {
        {"no launcher product",
         [&] { manifestWith([](QJsonObject& m) { m.remove("qmx_launcher_en"); }); },
         ErrUpdateInfoNotFound, "Launcher update result: 4", {}, Version(), false},
        {"no game product",
         [&] { manifestWith([](QJsonObject& m) { m.remove("qmx"); }); },
         ErrUpdateInfoNotFound, "Game update result: 4", {}, Version(), false},
        {"no content for this processor",
         [&] { setCpuArchitectureForTests("i386"); },
         ErrUpdateInfoNotFound, "content does not match cpu: qmx_full_1.0.0/win64 CPU: i386", {}, Version(), true},
        {"a newer launcher without a content for this machine",
         [&] {
             manifestWith([](QJsonObject& m) {
                 m["qmx_launcher_en"] = QJsonObject{{"version", "99.0.0"}, {"content", QJsonArray()}};
             });
         },
         ErrUpdateContentNotFound, "Launcher update content not found", {}, Version(), false},
        {"an archive that is not there",
         [&] { QFile::remove(m_server->root() + "/qmx_full_1.0.0.7z"); },
         ErrUpdateDownloadFailed, "http failed: qmx_full_1.0.0.7z", {}, Version(), true},
        {"the second content fails to download",
         [&] { QFile::remove(m_server->root() + "/qmx_patch_1.0.0_1.1.0.7z"); },
         ErrUpdateDownloadFailed, "http failed: qmx_patch_1.0.0_1.1.0.7z", {kFull100}, v100, true},
        {"a content offered by no way at all",
         [&] {
             findContent(m_release, "qmx_full_1.0.0")->httpUrls.clear();
             writeManifest();
         },
         ErrUpdateDownloadFailed, "Game update result: 6", {}, Version(), true},
        {"an archive that is not 7z",
         [&] { testsupport::writeFile(m_server->root() + "/qmx_patch_1.1.0_1.2.0.7z", "not an archive"); },
         ErrUpdateFailedToUnpack, "Game update result: 7", {kFull100, kPatch1}, v110, true},
        {"a patch made for another version",
         [&] {
             const QString dir = testsupport::rootDir() + "/badpatch";
             ASSERT_TRUE(publish::buildPatchDirectory(versionDir(v100), versionDir(v110), Version(0, 9, 0), dir));
             ASSERT_TRUE(publish::makeArchive(dir, m_server->root() + "/qmx_patch_1.0.0_1.1.0.7z", 1));
         },
         ErrUpdateFailedToPatch, "patch config from version mismatch: 1.0.0 patch: 0.9.0", {kFull100}, v100, true},
        {"the download folder cannot be made",
         [&] {
             QDir(appDir() + "/Update").removeRecursively();
             testsupport::writeFile(appDir() + "/Update", "a file in the way");
         },
         ErrUpdateDownloadFailed, "failed to create dir: " + appDir() + "/Update", {}, Version(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(gameDirPath()).removeRecursively();
        QDir(appDir() + "/Update").removeRecursively();
        setInstalledGameVersion(Version());
        setCpuArchitectureForTests("x86_64");
        publish({v100});
        writeManifest();
        testsupport::writeFile(appDir() + "/Update/stray.txt", "x");
        c.setUp();
        testsupport::clearLog();

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, c.result);
        EXPECT_TRUE(logContains(c.logLine)) << c.logLine.toStdString();
        EXPECT_EQ(job.installed(), c.installed);
        EXPECT_EQ(installedGameVersion(), c.versionAfter);
        EXPECT_EQ(job.events.last(), QString("finish:%1").arg(c.result));
        // The game update cleans up whatever its outcome.
        EXPECT_EQ(QFileInfo::exists(appDir() + "/Update/stray.txt"), !c.gameUpdateRan);
        EXPECT_FALSE(QFileInfo::exists(appDir() + "/UpdateTemp"));
    }
}

bool archiveRequested(const testsupport::TestHttpServer& server)
{
    for (const QJsonObject& request : server.requests()) {
        if (request.value("path").toString().endsWith(".7z"))
            return true;
    }
    return false;
}

TEST_F(UpdateJobTest, ListsThatDoNotReachThePublishedVersionAreRefused)
{
    publish({v100, v120});
    // A patch that leads back, offered by nobody.
    publish::PublishedContent back = *findContent(m_release, "qmx_patch_1.0.0_1.1.0");
    back.id = "qmx_patch_1.1.0_1.0.0";
    back.name = back.id + ".7z";
    back.versionFrom = v110;
    back.versionTo = v100;
    const struct {
        const char* what;
        Version installed;
        QStringList withdrawn; // contents taken off the manifest
        Version published;
        bool addBack;
        Version reachable;
    } cases[] = {
        {"a gap in the chain", v100, {"qmx_full_1.0.0", "qmx_full_1.2.0", "qmx_patch_1.1.0_1.2.0"}, v120, false, v110},
        {"the version raised before its contents were uploaded", v100, {}, Version(1, 3, 0), false, v120},
        {"only an older full package", v110, {"qmx_full_1.2.0", "qmx_patch_1.0.0_1.1.0", "qmx_patch_1.1.0_1.2.0"},
         v120, false, v100},
        {"nothing installed and only an older full package", Version(),
         {"qmx_full_1.2.0", "qmx_patch_1.0.0_1.1.0", "qmx_patch_1.1.0_1.2.0"}, v120, false, v100},
        {"a chain that cycles back", v100, {"qmx_full_1.0.0", "qmx_full_1.2.0", "qmx_patch_1.1.0_1.2.0"}, v120, true,
         v100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(gameDirPath()).removeRecursively();
        QDir(appDir() + "/Update").removeRecursively();
        if (c.installed.isValid())
            install(c.installed);
        else
            setInstalledGameVersion(Version());
        publish::Release release = m_release;
        release.gameVersion = c.published;
        for (int i = release.contents.size() - 1; i >= 0; --i) {
            if (c.withdrawn.contains(release.contents.at(i).id))
                release.contents.removeAt(i);
        }
        if (c.addBack)
            release.contents.append(back);
        writeManifest(release.manifest());
        const int requestsBefore = m_server->requests().size();
        testsupport::clearLog();

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, ErrUpdateContentNotFound);
        EXPECT_TRUE(job.installed().isEmpty());
        EXPECT_EQ(installedGameVersion(), c.installed);
        if (c.installed.isValid())
            expectGameIs(c.installed);
        else
            EXPECT_TRUE(entriesOf(gameDirPath()).isEmpty());
        EXPECT_FALSE(archiveRequested(*m_server)) << m_server->requests().size() - requestsBefore;
        const QStringList critical = testsupport::criticalLogLines();
        ASSERT_EQ(critical.size(), 1) << critical.join('\n').toStdString();
        EXPECT_TRUE(critical.first().endsWith("game contents do not reach the published version: installed "
                                              + c.installed.toString() + " reachable " + c.reachable.toString()
                                              + " published " + c.published.toString()))
            << critical.first().toStdString();
    }
}

TEST_F(UpdateJobTest, ManifestsThatCannotBeUsedAreInvalid)
{
    publish({v100});
    // Two contents of their own, under one id.
    const auto twins = [this](QJsonObject& product) {
        QJsonArray contents = product.value("content").toArray();
        for (int i = 0; i < 2; ++i) {
            QJsonObject twin = m_release.contents.at(i).toJson();
            twin["id"] = "twin";
            contents.append(twin);
        }
        product["content"] = contents;
    };
    const auto version = [](const QJsonValue& value) {
        return [value](QJsonObject& product) {
            if (value.isUndefined())
                product.remove("version");
            else
                product["version"] = value;
        };
    };
    const struct {
        const char* what;
        const char* product;
        std::function<void(QJsonObject&)> edit;
        bool full;
        QString problem;
    } cases[] = {
        {"two game contents with one id", "qmx", twins, true, "duplicate content id: qmx/twin"},
        {"two launcher contents with one id", "qmx_launcher_en", twins, true,
         "duplicate content id: qmx_launcher_en/twin"},
        {"a check only", "qmx", twins, false, "duplicate content id: qmx/twin"},
        // Never newer than anything: a fresh install would end up to date
        // over an empty game.
        {"a game version that is a number", "qmx", version(120), true, "product version is not a version: qmx/120"},
        {"an empty game version", "qmx", version(""), true, "product version is not a version: qmx/\"\""},
        {"no game version", "qmx", version(QJsonValue::Undefined), true,
         "product version is not a version: qmx/null"},
        {"a game version of words", "qmx", version("one.two"), false,
         "product version is not a version: qmx/\"one.two\""},
        {"an empty launcher version", "qmx_launcher_en", version(""), true,
         "product version is not a version: qmx_launcher_en/\"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QJsonObject manifest = m_release.manifest();
        QJsonObject product = manifest.value(c.product).toObject();
        c.edit(product);
        manifest[c.product] = product;
        writeManifest(manifest);
        testsupport::clearLog();

        const JobRecord job = runJob({manifestUrl()}, c.full);
        EXPECT_EQ(job.result, ErrUpdateInfoNotValid);
        EXPECT_TRUE(job.installed().isEmpty());
        EXPECT_TRUE(entriesOf(gameDirPath()).isEmpty());
        EXPECT_FALSE(archiveRequested(*m_server));
        ProductUpdateInfo stored;
        EXPECT_FALSE(AutoUpdate::instance()->gameUpdateInfo(stored)) << "an invalid manifest is not stored";
        const QStringList critical = testsupport::criticalLogLines();
        ASSERT_EQ(critical.size(), 1) << critical.join('\n').toStdString();
        EXPECT_TRUE(critical.first().endsWith("parsing update info fail: " + manifestUrl().toString() + " "
                                              + c.problem))
            << critical.first().toStdString();
    }
}

TEST_F(UpdateJobTest, AFullPackageCutShortOverTheGameIsInstalledAgain)
{
    // The last item of the package is too big for the disk: the others are
    // in place by then, over 1.0.0.
    for (const Version& version : {v100, v110, v120})
        testsupport::writeFile(versionDir(version) + "/zz/late.bin", QByteArray(2 * 1024 * 1024, '\0'));
    publish({v100, v110, v120});
    const struct {
        const char* what;
        bool withdrawn; // 1.2.0 is withdrawn before the next run, 1.1.0 published again
        QString reinstalled;
        Version version;
    } cases[] = {
        // Offered the chain from 1.0.0, which cannot apply to these files
        // any more: the package is installed again, and what 1.1.0 removed
        // goes.
        {"the same release", false, kFull120, v120},
        // What the cut-short unpack was the first to put there (1.2.0's
        // "data/empty.dat") is the launcher's, and goes too.
        {"an older release", true, "qmx/qmx_full_1.1.0", v110},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(gameDirPath()).removeRecursively();
        QDir(appDir() + "/Update").removeRecursively();
        installByLauncher(v100);
        const PlayerFiles mine = {{"data/user.cfg", "the player's"}, {"saves/one.sav", "saved"}};
        addPlayerFiles(mine);
        publish::Release release = m_release;
        release.contents = {*findContent(m_release, "qmx_full_1.2.0")};
        writeManifest(release.manifest());
        {
            testsupport::FileSizeLimit fullDisk(1024 * 1024);
            EXPECT_EQ(runJob().result, ErrUpdateFailedToUnpack);
        }
        EXPECT_EQ(installedGameVersion(), v100);
        EXPECT_NE(testsupport::readFile(gameDirPath() + "/qmx_x64.exe"),
                  testsupport::readFile(versionDir(v100) + "/qmx_x64.exe"));
        EXPECT_TRUE(QFileInfo::exists(gameDirPath() + "/data/empty.dat"));

        release = m_release;
        if (c.withdrawn) {
            release.gameVersion = v110;
            release.contents = {*findContent(m_release, "qmx_full_1.1.0"),
                                *findContent(m_release, "qmx_patch_1.0.0_1.1.0")};
        }
        writeManifest(release.manifest());
        testsupport::clearLog();
        const JobRecord job = runJob();
        EXPECT_EQ(job.result, UpdateDone);
        EXPECT_EQ(job.installed(), QStringList({c.reinstalled}));
        EXPECT_EQ(installedGameVersion(), c.version);
        expectGameIs(c.version, true, mine);
        EXPECT_TRUE(logContains("game unpack of 1.2.0 over 1.0.0 was not recorded: the game counts as not installed"));

        // Recorded now: the run after that finds the game current.
        EXPECT_EQ(runJob().result, UpdateUpToDate);
        EXPECT_FALSE(QFileInfo::exists(appDir() + "/Update/.game-unpack"));
    }
}

TEST_F(UpdateJobTest, ContentNamesAndIdsMustBePlainFileNames)
{
    const struct {
        const char* name;
        const char* id;
    } cases[] = {
        {"../escape.7z", "qmx_full_1.0.0"},
        {"", "qmx_full_1.0.0"},
        {"..", "qmx_full_1.0.0"},
        {"sub/inner.7z", "qmx_full_1.0.0"},
        {"/tmp/absolute.7z", "qmx_full_1.0.0"},
        {"qmx_full_1.0.0.7z", "../escape"},
        {"qmx_full_1.0.0.7z", ""},
        {"qmx_full_1.0.0.7z", "a/b"},
    };
    publish({v100});
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.id);
        QDir(appDir() + "/Update").removeRecursively();
        publish::Release release = m_release;
        publish::PublishedContent* first = findContent(release, "qmx_full_1.0.0");
        first->name = c.name;
        first->id = c.id;
        writeManifest(release.manifest());
        testsupport::clearLog();

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, ErrUpdateDownloadFailed);
        EXPECT_TRUE(job.installed().isEmpty());
        const QString line = QString("content name or id is not a plain file name: id \"%1\" name \"%2\"")
                                 .arg(c.id, c.name);
        int matching = 0;
        for (const QString& logLine : testsupport::logLines())
            matching += logLine.startsWith("crit") && logLine.endsWith(line);
        EXPECT_EQ(matching, 1);
        EXPECT_FALSE(logContains("http started: "));
        EXPECT_TRUE(entriesOf(appDir() + "/Update").isEmpty());
        EXPECT_EQ(entriesOf(appDir()), QStringList({"log.txt"}));
        EXPECT_FALSE(QFileInfo::exists("/tmp/absolute.7z"));
    }
}

// Names from the manifest reach the log as they are: neither one that is
// refused nor one that is downloaded may start a line of its own there or
// reach the terminal that shows the log with an escape sequence.
TEST_F(UpdateJobTest, ControlCharactersOfManifestNamesReachTheLogEscaped)
{
    const QString forged = "x\r\x1b[1Acrit            2018-06-20T10:11:12.5     forged\x1b]0;title\x07\x7f";
    const QString escaped = "x\\x0d\\x1b[1Acrit            2018-06-20T10:11:12.5     forged\\x1b]0;title\\x07\\x7f";
    const struct {
        const char* what;
        QString name;
        QString line;
    } cases[] = {
        {"refused", "../" + forged, "name \"../" + escaped + "\""},
        {"downloaded", forged + ".7z", "http complete: " + escaped + ".7z"},
    };
    publish({v100});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        publish::Release release = m_release;
        findContent(release, "qmx_full_1.0.0")->name = c.name;
        writeManifest(release.manifest());
        testsupport::clearLog();

        runJob();
        const QByteArray log = testsupport::readFile(appDir() + "/log.txt");
        for (const char byte : log)
            ASSERT_TRUE(byte == '\n' || (uchar(byte) >= 0x20 && uchar(byte) != 0x7f)) << int(byte);
        EXPECT_TRUE(logContains(c.line)) << log.toStdString();
        for (const QString& line : testsupport::logLines())
            EXPECT_TRUE(!line.contains("forged") || line.contains(escaped)) << line.toStdString();
    }
}

} // namespace
} // namespace updatetest
