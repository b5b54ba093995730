// An update cut short where a player can cut it (the process killed inside
// the unpack of a full package, between an install and its record in the
// settings, inside a patch) and the launcher started again: the second run
// ends "done" with "Game" exactly the published tree (every file's SHA-1, no
// other file, no other folder) and the player's own files as they were.
// Each run is a process of its own (update_run_probe).

#include "core/Version.h"
#include "tests/support/Printers.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestHttpServer.h"
#include "tools/publish/Publisher.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <memory>

namespace {

using testsupport::randomBytes;

const Version v100(1, 0, 0);
const Version v110(1, 1, 0);
const Version v120(1, 2, 0);

const int kRunWaitMs = 90000;

// A screenshot, a setting beside the launcher's files, a file in the folder
// that 1.1.0 drops.
const QMap<QString, QByteArray> kPlayerFiles = {
    {"screenshots/shot.png", "a screenshot"},
    {"data/user.cfg", "volume=3\n"},
    {"old/mine.txt", "the player's"},
};

// A copy of data with a run of bytes replaced.
QByteArray edited(QByteArray data, quint32 seed)
{
    data.replace(int(seed * 1000) % data.size(), 100, randomBytes(seed, 100));
    return data;
}

class InterruptedUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server.reset(new testsupport::TestHttpServer);
        ASSERT_TRUE(m_server->isRunning());
        m_appDir = testsupport::rootDir() + "/QMX";

        // 1.1.0 drops a folder, and a file beside one of the player's. The
        // last item of the packages, "zz/big.bin", takes a while to write.
        const QByteArray big = randomBytes(3, 6 * 1024 * 1024);
        const struct {
            Version version;
            QMap<QString, QByteArray> files;
        } versions[] = {
            {v100,
             {{"qmx_x64.exe", randomBytes(1, 30000)},
              {"data/a.bin", randomBytes(2, 20000)},
              {"old/dropped.txt", "dropped in 1.1.0\n"},
              {"gone/dropped.txt", "dropped in 1.1.0\n"},
              {"zz/big.bin", big}}},
            {v110,
             {{"qmx_x64.exe", randomBytes(11, 30000)},
              {"data/a.bin", randomBytes(12, 20000)},
              {"data/new.txt", "added in 1.1.0\n"},
              {"zz/big.bin", edited(big, 13)}}},
            {v120,
             {{"qmx_x64.exe", randomBytes(21, 30000)},
              {"data/a.bin", randomBytes(22, 20000)},
              {"data/new.txt", "added in 1.1.0\n"},
              {"maps/b.map", randomBytes(23, 5000)},
              {"zz/big.bin", edited(edited(big, 13), 24)}}},
        };
        for (const auto& v : versions) {
            for (auto it = v.files.constBegin(); it != v.files.constEnd(); ++it)
                testsupport::writeFile(versionDir(v.version) + "/" + it.key(), it.value());
        }

        publish::ReleaseOptions options;
        options.versionsDir = testsupport::rootDir() + "/versions";
        options.outDir = m_server->root();
        options.baseUrls = QStringList{m_server->url("").toString()};
        options.fulls = {v100, v120};
        options.compressionLevel = 1;
        QString error;
        ASSERT_TRUE(publish::publishRelease(options, m_release, &error)) << error.toStdString();
    }

    void TearDown() override { m_server.reset(); }

    QString versionDir(const Version& version) const
    {
        return testsupport::rootDir() + "/versions/" + version.toString();
    }
    QString gameDir() const { return m_appDir + "/Game"; }

    // Serves the whole release, or only the full package of a version (as
    // the published one).
    void serveManifest(const Version& fullOnly = Version())
    {
        publish::Release release = m_release;
        if (fullOnly.isValid()) {
            release.gameVersion = fullOnly;
            for (int i = release.contents.size() - 1; i >= 0; --i) {
                if (release.contents.at(i).versionFrom.isValid() || release.contents.at(i).versionTo != fullOnly)
                    release.contents.removeAt(i);
            }
        }
        QString error;
        ASSERT_TRUE(publish::writeManifest(m_server->root() + "/update.json", release.manifest(), &error))
            << error.toStdString();
    }

    // A launcher that has run before and installed the version in "Game"
    // (none: an empty game), where the player then made files of his own.
    void prepare(const Version& installed)
    {
        QJsonObject settings{{"eula_accepted", 20171002}, {"update_url", m_server->url("/update.json").toString()}};
        QDir().mkpath(gameDir());
        testsupport::writeFile(m_appDir + "/QMXLauncher.conf", QJsonDocument(settings).toJson());
        if (installed.isValid()) {
            serveManifest(installed);
            ASSERT_EQ(run(), 0);
            ASSERT_EQ(installedVersion(), installed.toString());
        }
        for (auto it = kPlayerFiles.constBegin(); it != kPlayerFiles.constEnd(); ++it)
            testsupport::writeFile(gameDir() + "/" + it.key(), it.value());
    }

    QString installedVersion() const
    {
        return QJsonDocument::fromJson(testsupport::readFile(m_appDir + "/QMXLauncher.conf"))
            .object()
            .value("qmx.installed_version")
            .toString();
    }

    // One run of the probe, bounded in time; its exit code, or -1 when it
    // was killed.
    int run(const QStringList& killArguments = {})
    {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString tmp = testsupport::rootDir() + "/tmp";
        QDir().mkpath(tmp);
        environment.insert("TMPDIR", tmp);
        probe.setProcessEnvironment(environment);
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(QStringLiteral(LAUNCHER_UPDATE_RUN_PROBE), QStringList{m_appDir} + killArguments);
        if (!probe.waitForFinished(kRunWaitMs)) {
            ADD_FAILURE() << "the run did not end in time";
            probe.kill();
            probe.waitForFinished(10000);
            return -2;
        }
        return probe.exitStatus() == QProcess::CrashExit ? -1 : probe.exitCode();
    }

    // Temporary files of an unpack below dir.
    static QStringList unpackLeftovers(const QString& dir)
    {
        QStringList found;
        QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (QFileInfo(it.next()).fileName().startsWith(".unpack-"))
                found << it.filePath();
        }
        return found;
    }

    std::unique_ptr<testsupport::TestHttpServer> m_server;
    publish::Release m_release;
    QString m_appDir;
};

TEST_F(InterruptedUpdateTest, TheNextStartEndsWithThePublishedGame)
{
    const QString intoBig = "Game/zz";
    const struct {
        const char* what;
        Version installed;
        bool fullOnlyFirst; // the first run is offered only the full package of 1.2.0
        QStringList kill;
        bool leavesUnpackFiles;
    } cases[] = {
        {"inside the unpack of a full package into an empty game", Version(), false,
         {"kill-in", intoBig, ".unpack-"}, true},
        // The next run is offered the patch chain from 1.0.0 as well, and
        // would take it if it still believed the settings.
        {"inside the unpack of a full package over an installed game", v100, true,
         {"kill-in", intoBig, ".unpack-"}, true},
        {"between the unpack of a full package and its record", v100, true,
         {"kill-when-installed", "qmx_full_1.2.0"}, false},
        {"inside a patch", v100, false, {"kill-in", "UpdateTemp/qmx_patch_1.0.0_1.1.0_work/zz", ""}, false},
        {"between a patch and its record", v100, false, {"kill-when-installed", "qmx_patch_1.0.0_1.1.0"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(m_appDir).removeRecursively();
        prepare(c.installed);
        serveManifest(c.fullOnlyFirst ? v120 : Version());

        ASSERT_EQ(run(c.kill), -1) << "the first run was not cut short";
        EXPECT_EQ(installedVersion(), c.installed.isValid() ? c.installed.toString() : QString());
        if (c.leavesUnpackFiles) {
            EXPECT_FALSE(unpackLeftovers(gameDir()).isEmpty()) << "not killed inside the unpack";
        }

        serveManifest();
        EXPECT_EQ(run(), 0);
        QMap<QString, QByteArray> published = testsupport::fileDigests(versionDir(v120));
        QStringList folders = testsupport::foldersBelow(versionDir(v120));
        for (auto it = kPlayerFiles.constBegin(); it != kPlayerFiles.constEnd(); ++it) {
            EXPECT_EQ(testsupport::readFile(gameDir() + "/" + it.key()), it.value()) << it.key().toStdString();
            published.insert(it.key(), QCryptographicHash::hash(it.value(), QCryptographicHash::Sha1).toHex());
            folders << it.key().section('/', 0, 0);
        }
        folders.removeDuplicates();
        folders.sort();
        const QMap<QString, QByteArray> game = testsupport::fileDigests(gameDir());
        EXPECT_EQ(QStringList(game.keys()).join(' '), QStringList(published.keys()).join(' '));
        EXPECT_EQ(testsupport::foldersBelow(gameDir()).join(' '), folders.join(' '));
        for (auto it = published.constBegin(); it != published.constEnd(); ++it)
            EXPECT_EQ(QString(game.value(it.key())), QString(it.value())) << it.key().toStdString();
        EXPECT_EQ(installedVersion(), "1.2.0");
        EXPECT_FALSE(QFileInfo::exists(m_appDir + "/UpdateTemp"));
    }
}

} // namespace
