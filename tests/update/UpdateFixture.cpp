#include "tests/update/UpdateFixture.h"

#include "core/Localization.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "core/SafePath.h"
#include "tests/support/TestEnvironment.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"
#include "update/SelectContents.h"

#include <QCryptographicHash>
#include <QDir>
#include <QMap>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QThreadPool>

namespace updatetest {
namespace {

using testsupport::randomBytes;

// A copy of data with a few bytes changed and a run inserted.
QByteArray edited(QByteArray data, quint32 seed)
{
    QRandomGenerator generator(seed);
    for (int i = 0; i < 8; ++i)
        data[generator.bounded(data.size())] = char(0xA7); // the format's escape byte on purpose
    data.insert(data.size() / 2, randomBytes(seed + 1, 3000));
    return data;
}

void writeVersion(const QString& dir, const QMap<QString, QByteArray>& files)
{
    for (auto it = files.constBegin(); it != files.constEnd(); ++it)
        testsupport::writeFile(dir + "/" + it.key(), it.value());
}

} // namespace

QStringList JobRecord::installed() const
{
    QStringList ids;
    for (const QString& event : events) {
        if (event.startsWith("installed:"))
            ids << event.mid(int(strlen("installed:")));
    }
    return ids;
}

void UpdateJobTest::SetUp()
{
    m_server.reset(new testsupport::TestHttpServer);
    ASSERT_TRUE(m_server->isRunning());
    m_versionsDir = testsupport::rootDir() + "/versions";

    const QByteArray game = randomBytes(1, 40000);
    const QByteArray table = randomBytes(2, 9000);
    QMap<QString, QByteArray> v100 = {
        {"qmx_x64.exe", game},
        {"data/table.bin", table},
        {"data/readme.txt", "Quillmere 4\n"},
        {"data/old.txt", "dropped in 1.1.0\n"},
        {"maps/start.map", randomBytes(3, 5000)},
    };
    QMap<QString, QByteArray> v110 = v100;
    v110.remove("data/old.txt");
    v110["qmx_x64.exe"] = edited(game, 10);
    v110["data/readme.txt"] = "Quillmere 4, now with patches\n";
    v110["maps/new area/east.map"] = randomBytes(11, 7000);
    QMap<QString, QByteArray> v120 = v110;
    v120["qmx_x64.exe"] = edited(v110["qmx_x64.exe"], 20);
    v120["data/table.bin"] = edited(table, 21);
    v120["data/empty.dat"] = QByteArray();

    writeVersion(versionDir(Version(1, 0, 0)), v100);
    writeVersion(versionDir(Version(1, 1, 0)), v110);
    writeVersion(versionDir(Version(1, 2, 0)), v120);

    ASSERT_TRUE(setLanguage("en_US"));
    g_launcherProduct = launcherProductInfo();
    g_gameProduct.id = "qmx";
    setInstalledGameVersion(Version());
    setInstallPauseForTests(0);
    setCpuArchitectureForTests("x86_64");
}

void UpdateJobTest::TearDown()
{
    // A job still running (a failed wait) must end before its engine goes.
    QThreadPool::globalInstance()->waitForDone(60000);
    AutoUpdate::destroyInstance();
    setInstallPauseForTests(-1);
    setCpuArchitectureForTests(QString());
    m_server.reset();
}

QString UpdateJobTest::versionDir(const Version& version) const
{
    return m_versionsDir + "/" + version.toString();
}

void UpdateJobTest::publish(const QList<Version>& fulls, const QList<publish::PatchStep>& patches)
{
    publish::ReleaseOptions options;
    options.versionsDir = m_versionsDir;
    options.outDir = m_server->root();
    options.baseUrls = QStringList{m_server->url("").toString()};
    options.fulls = fulls;
    options.patches = patches;
    options.compressionLevel = 1;
    options.torrents = m_publishTorrents;
    options.launcherDir = m_launcherDir;
    options.launcherVersion = m_launcherVersion;
    QString error;
    ASSERT_TRUE(publish::publishRelease(options, m_release, &error)) << error.toStdString();
}

void UpdateJobTest::writeManifest()
{
    writeManifest(m_release.manifest());
}

void UpdateJobTest::writeManifest(const QJsonObject& manifest)
{
    QString error;
    ASSERT_TRUE(publish::writeManifest(m_server->root() + "/update.json", manifest, &error)) << error.toStdString();
}

void UpdateJobTest::install(const Version& version)
{
    ASSERT_TRUE(testsupport::copyFiles(versionDir(version), gameDirPath()));
    setInstalledGameVersion(version);
}

void UpdateJobTest::installByLauncher(const Version& version)
{
    publish::Release release = m_release;
    release.gameVersion = version;
    release.contents.clear();
    for (const publish::PublishedContent& content : m_release.contents) {
        if (!content.versionFrom.isValid() && content.versionTo == version)
            release.contents.append(content);
    }
    ASSERT_EQ(release.contents.size(), 1) << "no full package of " << version.toString().toStdString();
    writeManifest(release.manifest());
    setInstalledGameVersion(Version());
    ASSERT_EQ(runJob().result, UpdateDone);
    ASSERT_EQ(installedGameVersion(), version);
}

void UpdateJobTest::addPlayerFiles(const PlayerFiles& files)
{
    for (auto it = files.constBegin(); it != files.constEnd(); ++it)
        testsupport::writeFile(gameDirPath() + "/" + it.key(), it.value());
}

JobWatch::JobWatch(AutoUpdate* engine) : m_engine(engine)
{
    m_clock.start();
    QObject::connect(engine, &AutoUpdate::updateStart, &m_receiver, [this] { record.events << "start"; },
                     Qt::QueuedConnection);
    QObject::connect(
        engine, &AutoUpdate::updateProgress, &m_receiver,
        [this](const QString& message, int action, float progress, qlonglong total, qlonglong current,
               qlonglong rate) {
            record.events << "progress";
            record.progress.append({message, action, progress, total, current, rate, m_clock.elapsed()});
        },
        Qt::QueuedConnection);
    QObject::connect(
        engine, &AutoUpdate::updateContentInstalled, &m_receiver,
        [this](const QString& product, const QString& content) {
            record.events << "installed:" + product + "/" + content;
        },
        Qt::QueuedConnection);
    QObject::connect(engine, &AutoUpdate::exitAppToUpdate, &m_receiver, [this] { record.events << "exitAppToUpdate"; },
                     Qt::QueuedConnection);
    QObject::connect(
        engine, &AutoUpdate::updateFinish, &m_receiver,
        [this](int code) {
            record.events << QString("finish:%1").arg(code);
            record.result = code;
            finished = true;
        },
        Qt::QueuedConnection);
    // Which thread emits the job's signals.
    QObject::connect(engine, &AutoUpdate::updateFinish, &m_receiver,
                     [this](int) { record.finishThread = QThread::currentThread(); }, Qt::DirectConnection);
    QObject::connect(engine, &AutoUpdate::updateContentInstalled, &m_receiver,
                     [this](const QString&, const QString&) { record.installedThread = QThread::currentThread(); },
                     Qt::DirectConnection);
}

JobWatch::~JobWatch()
{
    // The direct connections must not outlive this object.
    QThreadPool::globalInstance()->waitForDone(60000);
    QObject::disconnect(m_engine, nullptr, &m_receiver, nullptr);
}

bool JobWatch::waitFinished(int timeoutMs)
{
    return QTest::qWaitFor([this] { return finished; }, timeoutMs);
}

JobRecord UpdateJobTest::runJob(const QList<QUrl>& manifestUrls, bool full, int timeoutMs)
{
    AutoUpdate* engine = AutoUpdate::instance();
    JobWatch watch(engine);
    engine->startProgressTimer();
    engine->start(manifestUrls, full);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(watch.waitFinished(timeoutMs)) << "the job did not finish in time";
    EXPECT_FALSE(engine->isRunning());
    engine->stopProgressTimer();
    QThreadPool::globalInstance()->waitForDone(60000);
    return watch.record;
}

void UpdateJobTest::expectGameIs(const Version& version, bool exact, const PlayerFiles& player) const
{
    QMap<QString, QByteArray> expected = testsupport::fileDigests(versionDir(version));
    QStringList folders = testsupport::foldersBelow(versionDir(version));
    for (auto it = player.constBegin(); it != player.constEnd(); ++it) {
        EXPECT_EQ(testsupport::readFile(gameDirPath() + "/" + it.key()), it.value()) << it.key().toStdString();
        expected.insert(it.key(), QCryptographicHash::hash(it.value(), QCryptographicHash::Sha1).toHex());
        for (const QString& folder : foldersOnTheWay(it.key()))
            folders << folder;
    }
    const QMap<QString, QByteArray> actual = testsupport::fileDigests(gameDirPath());
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it)
        EXPECT_EQ(actual.value(it.key()), it.value()) << it.key().toStdString();
    if (exact) {
        EXPECT_EQ(QStringList(actual.keys()).join(' ').toStdString(), QStringList(expected.keys()).join(' ').toStdString());
        folders.removeDuplicates();
        folders.sort();
        EXPECT_EQ(testsupport::foldersBelow(gameDirPath()).join(' ').toStdString(), folders.join(' ').toStdString());
    }
}

} // namespace updatetest
