// Downloads by BitTorrent through whole update jobs: web seeds on the test
// HTTP server, a peer of the test's own, both, or data already in place; the
// session's state file; the progress timer's torrent branch; pause and
// resume; failures; and the engine destroyed while a job runs. Everything
// stays on 127.0.0.1: the session runs with the test settings.

#include "tests/update/TorrentPeers.h"
#include "tests/update/UpdateFixture.h"

#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PrivateMount.h"
#include "tests/support/TestEnvironment.h"
#include "tools/publish/Seeding.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"
#include "update/TorrentDownload.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <libtorrent/add_torrent_params.hpp>
#include <libtorrent/session.hpp>
#include <libtorrent/session_params.hpp>
#include <libtorrent/settings_pack.hpp>
#include <libtorrent/torrent_handle.hpp>
#include <libtorrent/torrent_info.hpp>
#include <libtorrent/torrent_status.hpp>

#include <memory>

namespace updatetest {
namespace {

using testsupport::appDir;
using testsupport::logContains;

const Version v100(1, 0, 0);
const Version v120(1, 2, 0);

const QString kFull120 = "qmx_full_1.2.0.7z";

class TorrentJobTest : public UpdateJobTest
{
protected:
    void SetUp() override
    {
        UpdateJobTest::SetUp();
        setTorrentListenInterfacesForTests("127.0.0.1:0");
        m_publishTorrents = true;
    }

    void TearDown() override
    {
        UpdateJobTest::TearDown();
        setTorrentListenInterfacesForTests(QString());
        setTorrentStallBoundForTests(0);
    }

    publish::PublishedContent& content(const QString& name)
    {
        for (publish::PublishedContent& c : m_release.contents) {
            if (c.name == name)
                return c;
        }
        ADD_FAILURE() << "no content " << name.toStdString();
        static publish::PublishedContent none;
        return none;
    }

    QString served(const QString& name) const { return m_server->root() + "/" + name; }

    // Rewrites the served .torrent of a content with other sources: web
    // seeds (its "http" URLs) and a tracker on the test server.
    void rewriteTorrent(const QString& name, bool webSeeds, bool tracker)
    {
        const publish::PublishedContent& c = content(name);
        QString error;
        ASSERT_TRUE(publish::makeTorrent(c.archivePath, webSeeds ? c.httpUrls : QStringList(),
                                         tracker ? QStringList{m_server->url("/announce").toString()}
                                                 : QStringList(),
                                         c.torrentPath, &error))
            << error.toStdString();
    }

    // A content offered by its torrent only, the torrent with no source.
    void withoutSources(const QString& name)
    {
        content(name).httpUrls.clear();
        rewriteTorrent(name, false, false);
        writeManifest();
    }

    // Requests the server got for a path since the first `since` requests.
    QList<QJsonObject> requestsFor(const QString& path, int since = 0) const
    {
        QList<QJsonObject> found;
        const QList<QJsonObject> all = m_server->requests();
        for (int i = since; i < all.size(); ++i) {
            if (all.at(i).value("path").toString() == path)
                found.append(all.at(i));
        }
        return found;
    }

    // Forgets the installed game and the downloads, and makes a new engine.
    void startOver()
    {
        AutoUpdate::destroyInstance();
        QDir(gameDirPath()).removeRecursively();
        QDir(appDir() + "/Update").removeRecursively();
        QFile::remove(appDir() + "/Update");
        setInstalledGameVersion(Version());
        testsupport::clearLog();
    }

    int countLogLines(const QString& text) const
    {
        int count = 0;
        for (const QString& line : testsupport::logLines())
            count += line.contains(text);
        return count;
    }

    static QStringList criticalLines() { return testsupport::logLines().filter(QRegularExpression("^crit ")); }
};

// The info lines of one successful torrent download, in order and with no
// step of another download between them.
void expectTorrentLines(const QString& name, const QString& torrentFile)
{
    const QByteArray torrent = testsupport::readFile(torrentFile);
    const QStringList expected = {
        "download update with torrent: " + name,
        "downloading torrent file...",
        QString("downloading torrent file success. size: %1; hash: %2")
            .arg(torrent.size())
            .arg(QString(QCryptographicHash::hash(torrent, QCryptographicHash::Sha1).toHex())),
        "torrent started: " + name,
        "torrent complete: " + name,
    };
    QStringList infoLines;
    for (const QString& line : testsupport::logLines()) {
        for (const char* step : {"download update with ", "downloading torrent file", "torrent started: ",
                                 "torrent complete: ", "http started: "}) {
            if (line.startsWith("info") && line.contains(step)) {
                infoLines << line;
                break;
            }
        }
    }
    int first = 0;
    while (first < infoLines.size() && !infoLines.at(first).endsWith(expected.first()))
        ++first;
    ASSERT_LE(first + expected.size(), infoLines.size()) << "no torrent download of " << name.toStdString();
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(infoLines.at(first + i).endsWith(expected.at(i))) << infoLines.at(first + i).toStdString();
}

TEST_F(TorrentJobTest, FreshInstallAndPatchChainByBitTorrent)
{
    publish({v100});
    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    EXPECT_EQ(job.installed(),
              QStringList({"qmx/qmx_full_1.0.0", "qmx/qmx_patch_1.0.0_1.1.0", "qmx/qmx_patch_1.1.0_1.2.0"}));
    expectGameIs(v120);
    for (const publish::PublishedContent& c : m_release.contents) {
        SCOPED_TRACE(c.name.toStdString());
        expectTorrentLines(c.name, c.torrentPath);
        EXPECT_EQ(testsupport::readFile(appDir() + "/Update/" + c.name), testsupport::readFile(c.archivePath));
    }
    EXPECT_FALSE(logContains("http started: "));
    EXPECT_TRUE(AutoUpdate::instance()->hasTorrents());

    // The state of the session is saved after each completed torrent.
    const QByteArray state = testsupport::readFile(sessionConfigPath());
    EXPECT_EQ(sessionStateSetting(state, libtorrent::settings_pack::listen_interfaces), "127.0.0.1:0");
}

TEST_F(TorrentJobTest, DownloadsFromWebSeedsPeersOrTheDataInPlace)
{
    publish({v120});
    const qint64 size = content(kFull120).size;
    const struct {
        const char* what;
        bool webSeeds;
        bool peer;
        bool inPlace;
    } cases[] = {
        {"web seeds only", true, false, false},
        {"a peer only", false, true, false},
        {"web seeds and a peer", true, true, false},
        {"the data already in place: checked, then seeded, nothing fetched", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        publish::Release published = m_release;
        if (!c.webSeeds)
            content(kFull120).httpUrls.clear();
        rewriteTorrent(kFull120, c.webSeeds, c.peer);
        writeManifest();
        std::unique_ptr<TestSeeder> seeder;
        if (c.peer) {
            // With both sources, each slow enough for the other to join in:
            // the web seed alone would take some twelve seconds, so the
            // peer, found through the tracker, has time to connect.
            const int limit = c.webSeeds ? int(size / 3) : 0;
            seeder.reset(new TestSeeder(content(kFull120).torrentPath, m_server->root(), limit));
            testsupport::writeFile(served("announce"), trackerResponse(seeder->port()));
        }
        m_server->setRule("/" + kFull120, c.peer ? QJsonObject{{"rate", double(size / 12)}} : QJsonObject());
        if (c.inPlace)
            testsupport::writeFile(appDir() + "/Update/" + kFull120, testsupport::readFile(served(kFull120)));
        const int before = m_server->requests().size();
        EXPECT_FALSE(AutoUpdate::instance()->hasTorrents());

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, UpdateDone);
        expectGameIs(v120);
        expectTorrentLines(kFull120, content(kFull120).torrentPath);
        EXPECT_FALSE(logContains("http started: "));
        EXPECT_EQ(requestsFor("/" + kFull120, before).isEmpty(), !c.webSeeds);
        if (seeder) {
            // Its counters catch up on its next second tick.
            EXPECT_TRUE(QTest::qWaitFor([&] { return seeder->uploaded() > 0; }, 5000));
        }
        EXPECT_TRUE(AutoUpdate::instance()->hasTorrents());
        m_release = published;
    }
}

TEST_F(TorrentJobTest, FailuresToStartATorrentEndTheJob)
{
    const QByteArray garbage = "not a torrent";
    const QString torrentUrl = m_server->url("/" + kFull120 + ".torrent").toString();
    const struct {
        const char* what;
        std::function<void()> setUp;
        QStringList lines; // in this order
    } cases[] = {
        {"no .torrent on the server",
         [&] { QFile::remove(served(kFull120 + ".torrent")); },
         {"crit", "failed to download torrent file: " + torrentUrl, "failed to start torrent: " + kFull120}},
        {"garbage for a .torrent",
         [&] { testsupport::writeFile(served(kFull120 + ".torrent"), garbage); },
         {"info",
          QString("downloading torrent file success. size: %1; hash: %2")
              .arg(garbage.size())
              .arg(QString(QCryptographicHash::hash(garbage, QCryptographicHash::Sha1).toHex())),
          "crit", "failed to create torrent info: ", "failed to start torrent: " + kFull120}},
        {"the session cannot listen",
         [] { setTorrentListenInterfacesForTests("192.0.2.1:0"); },
         {"crit", "torrent.listen_on() failed: ", "failed to start torrent: " + kFull120}},
        {"the download folder cannot be made",
         [] { testsupport::writeFile(appDir() + "/Update", "a file in the way"); },
         {"crit", "failed to create update download dir: " + appDir() + "/Update"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        setTorrentListenInterfacesForTests("127.0.0.1:0");
        publish({v120});
        c.setUp();

        const JobRecord job = runJob();
        EXPECT_EQ(job.result, ErrUpdateDownloadFailed);
        // The lines as "level", text, text..., matched in order.
        QStringList expected, seen;
        QString level;
        for (const QString& item : c.lines) {
            if (item == "info" || item == "crit") {
                level = item;
                continue;
            }
            expected << level + " " + item;
        }
        for (const QString& line : testsupport::logLines()) {
            for (const QString& text : expected) {
                if (line.startsWith(text.left(4)) && line.contains(text.mid(5)))
                    seen << text;
            }
        }
        EXPECT_EQ(seen, expected);
        EXPECT_FALSE(logContains("torrent started: "));
        EXPECT_FALSE(logContains("http started: "));
        EXPECT_TRUE(QDir(gameDirPath()).isEmpty());
    }
}

// A torrent that stops on a storage error ends the wait instead of waiting
// for ever; the same torrent, added again by a retried job, tries again.
TEST_F(TorrentJobTest, StorageErrorEndsTheWaitAndARetryGoesOn)
{
    publish({v120});
    const QString inTheWay = appDir() + "/Update/" + kFull120;
    ASSERT_TRUE(QDir().mkpath(inTheWay + "/a folder where the archive goes"));

    JobRecord job = runJob();
    EXPECT_EQ(job.result, ErrUpdateDownloadFailed);
    const QStringList lines = testsupport::logLines();
    const auto at = [&](const QString& text) {
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).startsWith("crit") && lines.at(i).contains(text))
                return i;
        }
        return -1;
    };
    EXPECT_GE(at("torrent error: "), 0);
    EXPECT_GT(at("failed to wait for torrent: " + kFull120), at("torrent error: "));
    EXPECT_FALSE(logContains("torrent complete: "));

    ASSERT_TRUE(QDir(inTheWay).removeRecursively());
    testsupport::clearLog();
    job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    expectGameIs(v120);
}

// A torrent that failed is no longer watched: the next job's progress is
// its own, here a plain HTTP download, not the dead torrent's state.
TEST_F(TorrentJobTest, AFailedTorrentIsNoLongerReported)
{
    publish({v120});
    const QString inTheWay = appDir() + "/Update/" + kFull120;
    ASSERT_TRUE(QDir().mkpath(inTheWay + "/a folder where the archive goes"));
    ASSERT_EQ(runJob().result, ErrUpdateDownloadFailed);
    ASSERT_TRUE(QDir(inTheWay).removeRecursively());

    content(kFull120).torrentUrl.clear();
    writeManifest();
    m_server->setRule("/" + kFull120, QJsonObject{{"rate", double(content(kFull120).size / 2)}});
    testsupport::clearLog();
    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    EXPECT_EQ(countLogLines("STATE: "), 0);
    int downloads = 0;
    for (const ProgressEvent& e : job.progress) {
        EXPECT_NE(e.action, ProgressCheckingFiles);
        downloads += e.action == ProgressDownloading ? 1 : 0;
    }
    EXPECT_GE(downloads, 1);
}

// A web seed is asked for exactly the URL that a plain HTTP download asks
// for: percent-encoded bytes stay encoded (a raw space is a bad request, and
// the torrent would wait for ever).
TEST_F(TorrentJobTest, WebSeedUrlsKeepTheirEncoding)
{
    publish({v120});
    const QString servedName = QString::fromUtf8("qmx full \xc3\xa9.7z");
    const QString encodedPath = "/qmx%20full%20%C3%A9.7z";
    rewriteTorrent(kFull120, false, false);
    testsupport::writeFile(served(servedName), testsupport::readFile(served(kFull120)));
    QFile::remove(served(kFull120));
    content(kFull120).httpUrls = QStringList{m_server->url("").toString() + encodedPath};
    const QString torrentUrl = content(kFull120).torrentUrl;
    for (const bool torrent : {true, false}) {
        SCOPED_TRACE(torrent ? "as a web seed" : "over plain HTTP");
        startOver();
        content(kFull120).torrentUrl = torrent ? torrentUrl : QString();
        writeManifest();
        const int before = m_server->requests().size();

        AutoUpdate* engine = AutoUpdate::instance();
        JobWatch watch(engine);
        engine->start({manifestUrl()}, true);
        if (!watch.waitFinished(30000)) {
            ADD_FAILURE() << "the download did not end";
            AutoUpdate::destroyInstance(); // ends the wait
            watch.waitFinished(10000);
        }
        EXPECT_EQ(watch.record.result, UpdateDone);
        expectGameIs(v120);
        EXPECT_FALSE(requestsFor(encodedPath, before).isEmpty());
    }
}

// Cleanup keeps what a torrent of the session seeds, also under a name
// that the manifest does not know (the .torrent names its own file): a
// retry in the same run finds the archive the torrent says it has.
TEST_F(TorrentJobTest, ARetryFindsTheArchiveThatATorrentSeeds)
{
    // The last item does not fit on the disk of the first run.
    testsupport::writeFile(versionDir(v120) + "/zz/late.bin", QByteArray(2 * 1024 * 1024, '\0'));
    publish({v120});
    const QString renamed = served("renamed.7z");
    testsupport::writeFile(renamed, testsupport::readFile(served(kFull120)));
    QString error;
    ASSERT_TRUE(publish::makeTorrent(renamed, {}, {}, content(kFull120).torrentPath, &error)) << error.toStdString();
    QFile::remove(renamed); // the web seeds serve it under the manifest's name
    {
        testsupport::FileSizeLimit fullDisk(1024 * 1024);
        EXPECT_EQ(runJob().result, ErrUpdateFailedToUnpack);
    }
    EXPECT_TRUE(QFileInfo::exists(appDir() + "/Update/renamed.7z"));

    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    expectGameIs(v120);
}

// A step of the wait ends on libtorrent's own word that the torrent has
// finished or failed, long before a step of a minute would run out; a
// session that posts the engine's alerts tells both.
TEST_F(TorrentJobTest, AStepOfTheWaitEndsWhenTheTorrentFinishesOrFails)
{
    namespace lt = libtorrent;
    publish({v120});
    const QString target = appDir() + "/Update/" + kFull120;
    const struct {
        const char* what;
        std::function<void()> setUp;
        bool seeds; // else it stops on an error
    } cases[] = {
        {"fetched from its web seed", [] {}, true},
        {"its data already in place", [&] { testsupport::writeFile(target, testsupport::readFile(served(kFull120))); },
         true},
        {"a folder where its file goes", [&] { ASSERT_TRUE(QDir().mkpath(target + "/in the way")); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        ASSERT_TRUE(QDir().mkpath(appDir() + "/Update"));
        c.setUp();

        lt::settings_pack pack = publish::loopbackSeedSettings();
        pack.set_int(lt::settings_pack::alert_mask, torrentSessionAlertMask());
        lt::session session{lt::session_params(std::move(pack))};
        const QByteArray torrentFile = testsupport::readFile(content(kFull120).torrentPath);
        lt::add_torrent_params params;
        params.ti = std::make_shared<lt::torrent_info>(torrentFile.constData(), torrentFile.size());
        params.save_path = QFile::encodeName(appDir() + "/Update").toStdString();
        params.flags &= ~(lt::torrent_flags::auto_managed | lt::torrent_flags::paused);
        const lt::torrent_handle torrent = session.add_torrent(std::move(params));

        bool woken = false;
        lt::torrent_status status;
        for (int step = 0; step < 20; ++step) {
            woken = waitForTorrentNews(session, torrent, 60000);
            status = torrent.status();
            if (status.state == lt::torrent_status::seeding || status.errc)
                break;
        }
        EXPECT_TRUE(woken);
        EXPECT_EQ(status.state == lt::torrent_status::seeding, c.seeds);
        EXPECT_EQ(bool(status.errc), !c.seeds);
    }
}

TEST_F(TorrentJobTest, MultiFileTorrentGivesItsFirstFile)
{
    publish({v120});
    const QString pack = served("pack");
    testsupport::writeFile(pack + "/" + kFull120, testsupport::readFile(served(kFull120)));
    testsupport::writeFile(pack + "/readme.txt", "more than one file\n");
    QString error;
    ASSERT_TRUE(publish::makeTorrent(pack, {}, {}, served("pack.torrent"), &error)) << error.toStdString();
    const QByteArray torrent = testsupport::readFile(served("pack.torrent"));
    const libtorrent::torrent_info info(torrent.constData(), torrent.size());
    ASSERT_EQ(info.num_files(), 2);
    ASSERT_EQ(info.files().file_path(libtorrent::file_index_t(0)), "pack/" + kFull120.toStdString());

    // A multi-file torrent's web seed is the folder above the torrent's own.
    content(kFull120).torrentUrl = m_server->url("/pack.torrent").toString();
    content(kFull120).httpUrls = QStringList{m_server->url("/").toString()};
    writeManifest();
    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    expectGameIs(v120);
    EXPECT_TRUE(QFileInfo::exists(appDir() + "/Update/pack/" + kFull120));
    EXPECT_TRUE(QFileInfo::exists(appDir() + "/Update/pack/readme.txt"));
}

TEST_F(TorrentJobTest, SessionStateCarriesOverToTheNextSession)
{
    publish({v120});
    ASSERT_EQ(runJob().result, UpdateDone);
    const QByteArray saved = testsupport::readFile(sessionConfigPath());
    ASSERT_EQ(sessionStateSetting(saved, libtorrent::settings_pack::listen_interfaces), "127.0.0.1:0");

    const QString agent = "SessionConfAgent/1.0";
    const struct {
        const char* what;
        QByteArray state; // written as "Session.conf"
        bool folder;      // a folder instead
        QString userAgent; // of the web seed's requests; empty: libtorrent's own
    } cases[] = {
        {"the saved state, with a user agent of its own",
         withSessionStateSetting(saved, libtorrent::settings_pack::user_agent, agent), false, agent},
        {"an undecodable file", "d8:not bencode", false, QString()},
        {"no file", QByteArray(), false, QString()},
        {"a folder where the file goes", QByteArray(), true, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        QFile::remove(sessionConfigPath());
        if (c.folder)
            ASSERT_TRUE(QDir().mkpath(sessionConfigPath()));
        else if (!c.state.isEmpty())
            testsupport::writeFile(sessionConfigPath(), c.state);
        const int before = m_server->requests().size();

        ASSERT_EQ(runJob().result, UpdateDone);
        // A web seed connection names its agent in its first request only.
        QStringList agents;
        for (const QJsonObject& request : requestsFor("/" + kFull120, before)) {
            const QJsonObject headers = request.value("headers").toObject();
            if (headers.contains("User-Agent"))
                agents << headers.value("User-Agent").toString();
        }
        ASSERT_FALSE(agents.isEmpty());
        for (const QString& sent : agents) {
            if (c.userAgent.isEmpty()) {
                EXPECT_TRUE(sent.startsWith("libtorrent/")) << sent.toStdString();
            } else {
                EXPECT_EQ(sent, c.userAgent);
            }
        }
        EXPECT_EQ(logContains("failed to open torrent session file for writing: " + sessionConfigPath()), c.folder);
        if (!c.folder) {
            const QByteArray after = testsupport::readFile(sessionConfigPath());
            EXPECT_EQ(sessionStateSetting(after, libtorrent::settings_pack::listen_interfaces), "127.0.0.1:0");
            if (!c.userAgent.isEmpty()) {
                EXPECT_EQ(sessionStateSetting(after, libtorrent::settings_pack::user_agent), c.userAgent);
            }
        }
    }
}

// While the watched torrent downloads, the timer reports the torrent's own
// numbers; the tick that sees it seeding lets go of it, and the ticks after
// report the progress block again.
TEST_F(TorrentJobTest, TimerReportsTheTorrentUntilItSeeds)
{
    publish({v120});
    const qint64 size = content(kFull120).size;
    m_server->setRule("/" + kFull120, QJsonObject{{"rate", double(size / 4)}});
    // Over a second between the download and the unpacking: two ticks.
    setInstallPauseForTests(1100);

    const JobRecord job = runJob();
    ASSERT_EQ(job.result, UpdateDone);
    int lastDownload = -1;
    int downloads = 0;
    qint64 previous = 0;
    for (int i = 0; i < job.progress.size(); ++i) {
        const ProgressEvent& e = job.progress.at(i);
        if (e.action != ProgressDownloading)
            continue;
        ++downloads;
        lastDownload = i;
        EXPECT_EQ(e.message, "Downloading...");
        EXPECT_EQ(e.total, size);
        EXPECT_GE(e.current, previous);
        EXPECT_LE(e.current, e.total);
        EXPECT_NEAR(e.progress, double(e.current) / double(e.total), 0.01);
        previous = e.current;
    }
    EXPECT_GE(downloads, 2);
    ASSERT_GE(lastDownload, 0);
    // After the torrent: the block, now at the unpacking step.
    ASSERT_LT(lastDownload + 1, job.progress.size());
    EXPECT_EQ(job.progress.at(lastDownload + 1).action, ProgressUnpacking);
    EXPECT_GE(countLogLines("STATE: 3 P: "), 2);
    // Only one tick saw it seeding: that tick let it go.
    EXPECT_EQ(countLogLines("STATE: 5 P: 100 BYTES: "), 1);
}

// A paused session holds a torrent while its files wait to be checked, and
// while it downloads; it goes on when the session resumes. Both pauses
// outlast the stall bound: a paused torrent has not stalled.
TEST_F(TorrentJobTest, PauseHoldsCheckingAndDownloadingUntilResume)
{
    setTorrentStallBoundForTests(1000);
    publish({v100, v120});
    const publish::PublishedContent full100 = content("qmx_full_1.0.0.7z");
    const publish::PublishedContent full120 = content(kFull120);
    AutoUpdate* engine = AutoUpdate::instance();
    engine->pause(); // no session yet: nothing happens
    engine->resume();

    // A first job makes the session.
    publish::Release first = m_release;
    first.gameVersion = v100;
    first.contents = {full100};
    writeManifest(first.manifest());
    ASSERT_EQ(runJob().result, UpdateDone);
    ASSERT_TRUE(engine->hasTorrents());

    // Then a fresh install of 1.2.0 whose archive is there in part: two
    // pieces to be found by the check, the rest to come from the web seeds,
    // slowly enough for a pause in the middle.
    QDir(gameDirPath()).removeRecursively();
    setInstalledGameVersion(Version());
    writeManifest();
    const qint64 piece = 16384;
    ASSERT_GT(full120.size, 3 * piece);
    testsupport::writeFile(appDir() + "/Update/" + kFull120,
                           testsupport::readFile(full120.archivePath).left(int(2 * piece)));
    m_server->setRule("/" + kFull120, QJsonObject{{"rate", double((full120.size - 2 * piece) / 3)}});
    engine->pause();
    testsupport::clearLog();

    JobWatch watch(engine);
    engine->startProgressTimer();
    engine->start({manifestUrl()}, true);
    ASSERT_TRUE(QTest::qWaitFor([] { return logContains("torrent started: " + kFull120); }, 20000));
    QTest::qWait(1600);
    EXPECT_FALSE(watch.finished);
    int checking = 0;
    for (const ProgressEvent& e : watch.record.progress) {
        EXPECT_NE(e.action, ProgressDownloading);
        if (e.action == ProgressCheckingFiles) {
            ++checking;
            EXPECT_EQ(e.message, "Checking files");
            EXPECT_EQ(e.total, full120.size);
        }
    }
    EXPECT_GE(checking, 2);
    EXPECT_GE(countLogLines("STATE: 1 P: "), 2);

    // Resumed, the check finds the two pieces and the download begins.
    engine->resume();
    const auto downloading = [&] {
        for (const ProgressEvent& e : watch.record.progress) {
            if (e.action == ProgressDownloading)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(downloading, 20000));
    engine->pause();
    const int pausedAt = watch.record.progress.size();
    QTest::qWait(3200);
    // Unpaused, the rest would have come in about a second and a half.
    EXPECT_FALSE(watch.finished);
    EXPECT_FALSE(logContains("torrent complete: "));
    // What was in flight may land just after the pause; then nothing moves.
    QList<qint64> held;
    for (int i = pausedAt + 2; i < watch.record.progress.size(); ++i) {
        const ProgressEvent& e = watch.record.progress.at(i);
        EXPECT_EQ(e.action, ProgressDownloading);
        EXPECT_EQ(e.total, full120.size);
        held << e.current;
    }
    ASSERT_GE(held.size(), 3);
    EXPECT_GE(held.first(), 2 * piece);
    EXPECT_EQ(held.first(), held.last());
    EXPECT_LT(held.last(), full120.size);

    engine->resume();
    ASSERT_TRUE(watch.waitFinished(30000));
    engine->stopProgressTimer();
    EXPECT_EQ(watch.record.result, UpdateDone);
    expectGameIs(v120, false);
}

// The main window destroys the engine while a job may still run; the job
// then goes on to its end on an engine that stays alive until it is over.
TEST_F(TorrentJobTest, DestroyingTheEngineDuringAJob)
{
    const struct {
        const char* what;
        bool torrent;
        QString started; // the log line after which the engine is destroyed
        int result;
    } cases[] = {
        {"during a torrent wait: the wait ends", true, "torrent started: " + kFull120, ErrUpdateDownloadFailed},
        {"during an HTTP download: the download goes on", false, "http started: " + kFull120, UpdateDone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        QFile::remove(sessionConfigPath());
        m_publishTorrents = c.torrent;
        publish({v120});
        if (c.torrent)
            withoutSources(kFull120); // it would wait for the whole stall bound
        else
            m_server->setRule("/" + kFull120, QJsonObject{{"rate", double(content(kFull120).size / 2)}});

        AutoUpdate* engine = AutoUpdate::instance();
        {
            JobWatch watch(engine);
            engine->startProgressTimer();
            engine->start({manifestUrl()}, true);
            ASSERT_TRUE(QTest::qWaitFor([&] { return logContains(c.started); }, 20000));
            QTest::qWait(700);
            AutoUpdate::destroyInstance();
            // Kept while its job runs.
            EXPECT_EQ(AutoUpdate::instance(), engine);
            ASSERT_TRUE(watch.waitFinished(20000));
            EXPECT_EQ(watch.record.result, c.result);
        }
        if (c.torrent) {
            EXPECT_TRUE(logContains("failed to wait for torrent: " + kFull120));
            // Stopping saved the session's state.
            EXPECT_TRUE(QFileInfo::exists(sessionConfigPath()));
        } else {
            expectGameIs(v120);
        }
    }
}

// A torrent whose only source, its web seed, cannot serve it ends the job
// with 6 once it has gone the stall bound without progress, with one line
// that names the content and what the web seed answered. libtorrent tries a
// failing web seed again (here after a second) and the bound goes on. A
// retry, with the mirror mended, starts the download again.
TEST_F(TorrentJobTest, ATorrentWhoseWebSeedCannotServeItEndsAfterTheBound)
{
    publish({v120});
    const QString archive = served(kFull120);
    const QByteArray good = testsupport::readFile(archive);
    const QString seed = QRegularExpression::escape(content(kFull120).httpUrls.first());
    const struct {
        const char* what;
        std::function<void()> breakMirror;
        QString answer; // a pattern
        bool retried;   // libtorrent asks the web seed again within the bound
    } cases[] = {
        {"the file is missing", [&] { QFile::remove(archive); }, seed + ": 404 Not Found", false},
        {"wrong bytes",
         [&] { testsupport::writeFile(archive, testsupport::randomBytes(7, good.size())); },
         seed + ": peer banned; \\d+ pieces failed the hash check", false},
        {"the file stops half-way",
         [&] { testsupport::writeFile(archive, good.left(good.size() / 2)); },
         seed + ": [Ii]nvalid HTTP (range|header)", true},
        {"the server sends nothing",
         [&] { m_server->setRule("/" + kFull120, QJsonObject{{"stall_after", 0}, {"stall_seconds", 60}}); },
         seed + ": no answer", false},
    };
    setTorrentStallBoundForTests(4000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        testsupport::writeFile(archive, good);
        m_server->setRule("/" + kFull120, QJsonObject());
        c.breakMirror();
        const int before = m_server->requests().size();

        JobRecord job = runJob();
        EXPECT_EQ(job.result, ErrUpdateDownloadFailed);
        const QStringList criticals = criticalLines();
        ASSERT_EQ(criticals.filter("torrent stalled: ").size(), 1) << criticals.join('\n').toStdString();
        const QRegularExpression line("torrent stalled: " + QRegularExpression::escape(kFull120)
                                      + ": no new piece and no peer for 4 s; " + c.answer + "$");
        EXPECT_TRUE(line.match(criticals.filter("torrent stalled: ").first()).hasMatch())
            << criticals.join('\n').toStdString();
        EXPECT_TRUE(logContains("failed to wait for torrent: " + kFull120));
        EXPECT_FALSE(logContains("torrent complete: "));
        EXPECT_TRUE(QDir(gameDirPath()).isEmpty());
        if (c.retried) {
            EXPECT_GE(requestsFor("/" + kFull120, before).size(), 3);
        }

        testsupport::writeFile(archive, good);
        m_server->setRule("/" + kFull120, QJsonObject());
        testsupport::clearLog();
        job = runJob();
        EXPECT_EQ(job.result, UpdateDone);
        expectGameIs(v120);
    }
}

// However slowly a torrent goes, it goes on: here each piece takes longer
// than the stall bound to come in.
TEST_F(TorrentJobTest, ASlowButSteadyWebSeedFinishes)
{
    publish({v120});
    const qint64 piece = 16384;
    ASSERT_GT(content(kFull120).size, 3 * piece);
    m_server->setRule("/" + kFull120, QJsonObject{{"rate", double(piece * 3 / 4)}});
    setTorrentStallBoundForTests(1000);

    const JobRecord job = runJob();
    EXPECT_EQ(job.result, UpdateDone);
    expectGameIs(v120);
    EXPECT_TRUE(criticalLines().isEmpty()) << criticalLines().join('\n').toStdString();
}

// The disk under "Update" fills up during a torrent: the job ends with 6 at
// once (libtorrent would only stop downloading), with one line that names
// the storage failure; once there is room, the next job gets the game. The
// product's stall bound stays: the job ends long before it. When the whole
// archive comes at once, libtorrent may take the torrent for complete before
// the writes of its last pieces fail.
TEST_F(TorrentJobTest, AFullDiskEndsTheTorrentAndTheNextJobWithRoomGoesOn)
{
    publish({v120});
    const QString update = appDir() + "/Update";
    testsupport::PrivateMount disk(update, 1024 * 1024, false);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.error().toStdString();
    const struct {
        const char* what;
        QJsonObject rule;
    } cases[] = {
        {"while the torrent downloads", {{"rate", double(content(kFull120).size)}}},
        {"as its last pieces come in", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startOver();
        // Room for about two pieces of the archive; hidden, so that the
        // download cleanup leaves it.
        const QString ballast = update + "/.ballast";
        {
            QFile file(ballast);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'b');
            while (file.write(block) == block.size()) {
            }
            file.close();
            ASSERT_TRUE(file.resize(file.size() - 36 * 1024));
        }
        m_server->setRule("/" + kFull120, c.rule);

        JobRecord job = runJob();
        EXPECT_EQ(job.result, ErrUpdateDownloadFailed);
        const QStringList storage = criticalLines().filter("torrent storage failed: ");
        ASSERT_EQ(storage.size(), 1) << criticalLines().join('\n').toStdString();
        EXPECT_TRUE(storage.first().contains("torrent storage failed: " + kFull120 + ": file_write " + update + "/"
                                             + kFull120 + ": No space left on device"))
            << storage.first().toStdString();
        EXPECT_TRUE(logContains("failed to wait for torrent: " + kFull120));
        EXPECT_TRUE(QDir(gameDirPath()).isEmpty());

        ASSERT_TRUE(QFile::remove(ballast));
        testsupport::clearLog();
        job = runJob();
        EXPECT_EQ(job.result, UpdateDone);
        expectGameIs(v120);
    }
}

} // namespace
} // namespace updatetest
