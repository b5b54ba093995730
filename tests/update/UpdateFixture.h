#pragma once

#include "tests/support/TestHttpServer.h"
#include "tools/publish/Publisher.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

class AutoUpdate;
class QThread;

namespace updatetest {

// One updateProgress as the receiver saw it.
struct ProgressEvent
{
    QString message;
    int action = 0;
    float progress = 0;
    qint64 total = 0;
    qint64 current = 0;
    qint64 rate = 0;
    qint64 atMs = 0; // since the job started
};

// What a job told its receivers, in arrival order: "start", "progress",
// "installed:<product>/<content>", "finish:<code>".
struct JobRecord
{
    QStringList events;
    QList<ProgressEvent> progress;
    int result = -1;
    QThread* finishThread = nullptr;
    QThread* installedThread = nullptr;

    QStringList installed() const;
};

// Records what the engine tells its receivers, from construction on, until
// destruction; for tests that act while a job runs.
class JobWatch
{
public:
    explicit JobWatch(AutoUpdate* engine);
    ~JobWatch();
    JobWatch(const JobWatch&) = delete;
    JobWatch& operator=(const JobWatch&) = delete;

    // Waits (bounded) for updateFinish; false on time-out.
    bool waitFinished(int timeoutMs);

    JobRecord record;
    bool finished = false;

private:
    AutoUpdate* m_engine;
    QObject m_receiver;
    QElapsedTimer m_clock;
};

// Files that the player made in "Game", by their path there.
using PlayerFiles = QMap<QString, QByteArray>;

// A small synthetic game in three versions (1.0.0, 1.1.0, 1.2.0) with
// changed, added, removed and unchanged files in folders, published to a
// local HTTP server, and the engine with a fresh application directory.
class UpdateJobTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Publishes the synthetic game; fulls and patches as publishRelease
    // takes them, torrents and the launcher as the members below say.
    void publish(const QList<Version>& fulls, const QList<publish::PatchStep>& patches = {});
    // Rewrites the served manifest from m_release, or from an object.
    void writeManifest();
    void writeManifest(const QJsonObject& manifest);

    // Copies a version folder into "Game" and records it as installed, as
    // an older launcher that kept no record of the files leaves it.
    void install(const Version& version);
    // Installs a version as the launcher does on a first start: by a job
    // that is offered the version's full package alone (published before).
    void installByLauncher(const Version& version);
    // Writes files of the player's own into "Game".
    void addPlayerFiles(const PlayerFiles& files);

    // Starts a job and waits (bounded) for updateFinish.
    JobRecord runJob(const QList<QUrl>& manifestUrls, bool full = true, int timeoutMs = 60000);
    JobRecord runJob() { return runJob({manifestUrl()}); }

    QUrl manifestUrl() const { return m_server->url("/update.json"); }
    QString versionDir(const Version& version) const;
    // Every file of "Game" has the SHA-1 of the same file of the version;
    // exact: and there is no other file, and the folders are the version's.
    // The player's files are there too, byte for byte, with their folders.
    void expectGameIs(const Version& version, bool exact = true, const PlayerFiles& player = {}) const;

    std::unique_ptr<testsupport::TestHttpServer> m_server;
    publish::Release m_release;
    QString m_versionsDir;
    // What publish adds: a .torrent per content, and a launcher content
    // (made of the files of m_launcherDir) with its version.
    bool m_publishTorrents = false;
    QString m_launcherDir;
    Version m_launcherVersion;
};

} // namespace updatetest
