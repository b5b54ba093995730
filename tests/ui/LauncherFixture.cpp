#include "tests/ui/LauncherFixture.h"

#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "platform/TaskbarProgress.h"
#include "tests/support/TestEnvironment.h"
#include "ui/Buttons.h"
#include "ui/Launcher.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QLabel>
#include <QProgressBar>
#include <QThreadPool>
#include <QTimer>

namespace {

// Long enough for the 500 ms progress timer to see the unpacking and
// installing steps, short enough for a quick test.
const int kInstallPauseMs = 700;

} // namespace

void LauncherTest::SetUp()
{
    UiTest::SetUp();
    g_launcherProduct = launcherProductInfo();
    g_gameProduct = gameProductInfo(m_settings);
    setInstallPauseForTests(kInstallPauseMs);
    m_server.reset(new testsupport::TestHttpServer);
    ASSERT_TRUE(m_server->isRunning());
}

void LauncherTest::TearDown()
{
    m_launcher.reset();
    // A job still running must end before its engine goes.
    QThreadPool::globalInstance()->waitForDone(60000);
    AutoUpdate::destroyInstance();
    setInstallPauseForTests(-1);
    m_server.reset();
    UiTest::TearDown();
}

QString LauncherTest::versionDir(const Version& version) const
{
    return testsupport::rootDir() + "/versions/" + version.toString();
}

void LauncherTest::publishGame()
{
    // Incompressible, so that both downloads take a while at the mirror's rate.
    const QByteArray pack = testsupport::randomBytes(7, 300 * 1024);
    QByteArray patched = pack;
    patched.replace(1000, 64, testsupport::randomBytes(8, 64));
    testsupport::writeFile(versionDir(Version(1, 0, 0)) + "/data/pack.bin", pack);
    testsupport::writeFile(versionDir(Version(1, 0, 0)) + "/readme.txt", "Quillmere 4\n");
    testsupport::writeFile(versionDir(Version(1, 1, 0)) + "/data/pack.bin", patched);
    testsupport::writeFile(versionDir(Version(1, 1, 0)) + "/readme.txt", "Quillmere 4, patched\n");
    testsupport::writeFile(versionDir(Version(1, 1, 0)) + "/data/new.bin", testsupport::randomBytes(9, 200 * 1024));

    publish::ReleaseOptions options;
    options.versionsDir = testsupport::rootDir() + "/versions";
    options.outDir = m_server->root();
    options.baseUrls = QStringList{m_server->url("").toString()};
    options.fulls = {Version(1, 1, 0)};
    options.compressionLevel = 1;
    QString error;
    ASSERT_TRUE(publish::publishRelease(options, m_release, &error)) << error.toStdString();
}

void LauncherTest::serveManifest(const QJsonObject& manifest)
{
    QString error;
    ASSERT_TRUE(publish::writeManifest(m_server->root() + "/update.json", manifest, &error)) << error.toStdString();
}

QJsonObject LauncherTest::gameManifest(const Version& version)
{
    publish::PublishedContent content;
    content.id = QStringLiteral("qmx_full");
    content.name = QStringLiteral("qmx_full.7z");
    content.platform = QStringLiteral("win64");
    content.versionTo = version;
    content.size = 1000;
    content.httpUrls = QStringList{QStringLiteral("http://127.0.0.1:1/") + content.name};
    publish::Release release;
    release.gameVersion = version;
    release.installSize = 4242;
    release.launcherVersion = g_launcherProduct.version;
    release.contents = {content};
    return release.manifest();
}

void LauncherTest::serveCurrentGame()
{
    serveManifest(gameManifest(Version(1, 1, 0)));
    m_settings.setValue("qmx.installed_version", "1.1.0");
    setInstalledGameVersion(Version(1, 1, 0));
}

QUrl LauncherTest::manifestUrl() const
{
    return m_server->url("/update.json");
}

void LauncherTest::prepareSettings()
{
    m_settings.setValue("eula_accepted", 20171002);
    m_settings.setValue("update_url", manifestUrl().toString());
}

void LauncherTest::installGame(const Version& version)
{
    QDirIterator it(versionDir(version), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        testsupport::writeFile(gameDirPath() + "/" + QDir(versionDir(version)).relativeFilePath(path),
                               testsupport::readFile(path));
    }
    m_settings.setValue("qmx.installed_version", version.toString());
    setInstalledGameVersion(version);
}

Launcher* LauncherTest::showLauncher(bool installMode)
{
    // Before the window, so that a job started by its constructor is seen whole.
    listen();
    m_launcher.reset(new Launcher(&m_settings, installMode, nullptr));
    // The first report comes with the progress timer, 500 ms after the start.
    recordProgress();
    m_launcher->show();
    return m_launcher.get();
}

void LauncherTest::listen()
{
    AutoUpdate* engine = AutoUpdate::instance();
    if (m_listened == engine)
        return;
    m_listened = engine;
    // Connected before the window's own connection, so the reading is taken
    // in an event of its own that comes after the window's slot.
    QObject::connect(
        engine, &AutoUpdate::updateFinish, &m_recorder,
        [this](int code) {
            ++m_finishesReached;
            QTimer::singleShot(0, &m_recorder, [this, code] { m_finishes.append(code); });
        },
        Qt::QueuedConnection);
}

void LauncherTest::recordProgress()
{
    // Connected after the window's own connection: runs right after its slot.
    // A report that comes after this window's job has ended is marked: the
    // updateFinish counted above was queued before it.
    const int finishesBefore = m_finishesReached;
    QObject::connect(
        AutoUpdate::instance(), &AutoUpdate::updateProgress, m_launcher.get(),
        [this, finishesBefore](const QString&, int action, float, qlonglong total, qlonglong, qlonglong rate) {
            PanelSnapshot shot;
            shot.afterFinish = m_finishesReached > finishesBefore;
            shot.action = action;
            shot.total = total;
            shot.rate = rate;
            shot.status = label("status")->text();
            shot.amounts = label("progress")->text();
            shot.barMinimum = progressBar()->minimum();
            shot.barMaximum = progressBar()->maximum();
            shot.barValue = progressBar()->value();
            shot.panelVisible = progressPanel()->isVisible();
            shot.taskbarVisible = taskbar()->isVisible();
            shot.taskbarAttached = taskbar()->window() && taskbar()->window() == m_launcher->windowHandle();
            shot.taskbarMaximum = taskbar()->maximum();
            shot.taskbarValue = taskbar()->value();
            m_snapshots.append(shot);
        },
        Qt::QueuedConnection);
}

int LauncherTest::waitForFinish(int timeoutMs)
{
    const int seen = m_finishes.size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_finishes.size() > seen; }, timeoutMs)) << "no updateFinish in time";
    return m_finishes.size() > seen ? m_finishes.last() : -1;
}

void LauncherTest::storeManifest()
{
    listen();
    AutoUpdate::instance()->start({manifestUrl()}, false);
    ASSERT_EQ(waitForFinish(), 0);
    ProductUpdateInfo game;
    ASSERT_TRUE(AutoUpdate::instance()->gameUpdateInfo(game));
}

QLabel* LauncherTest::label(const char* objectName) const
{
    return m_launcher->findChild<QLabel*>(QString::fromLatin1(objectName));
}

QProgressBar* LauncherTest::progressBar() const
{
    return m_launcher->findChild<QProgressBar*>();
}

StyledButton* LauncherTest::playButton() const
{
    return m_launcher->findChild<StyledButton*>(QStringLiteral("play"));
}

QWidget* LauncherTest::progressPanel() const
{
    return progressBar()->parentWidget();
}

platform::TaskbarProgress* LauncherTest::taskbar() const
{
    return m_launcher->findChild<platform::TaskbarProgress*>();
}

QJsonObject LauncherTest::savedSettings()
{
    return QJsonDocument::fromJson(testsupport::readFile(launcherConfigPath())).object();
}

int LauncherTest::manifestRequests() const
{
    int count = 0;
    for (const QJsonObject& request : m_server->requests())
        count += request.value("path").toString() == "/update.json" ? 1 : 0;
    return count;
}
