// The built "QMXLauncher.exe" as real processes on an X server of the test's
// own: the exit codes of its run modes, the single-instance rule, closing
// during a download and PLAY.

#include "core/JsonSettings.h"
#include "core/ProductInfo.h"
#include "tests/support/StandInLauncher.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestHttpServer.h"
#include "tests/ui/LauncherProcess.h"
#include "tools/publish/Publisher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

using namespace launcherprocess;

class LauncherProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_launcherProduct = launcherProductInfo();
        m_server.reset(new testsupport::TestHttpServer);
        ASSERT_TRUE(m_server->isRunning());
        m_installation.reset(new Installation(testsupport::rootDir() + "/QMX"));
    }

    void TearDown() override
    {
        m_installation.reset();
        m_server.reset();
    }

    // A mirror whose game is at 1.1.0 with one full package of it.
    void publishGame()
    {
        const QString versions = testsupport::rootDir() + "/versions";
        testsupport::writeFile(versions + "/1.1.0/data/pack.bin", testsupport::randomBytes(5, 400 * 1024));
        publish::ReleaseOptions options;
        options.versionsDir = versions;
        options.outDir = m_server->root();
        options.baseUrls = QStringList{m_server->url("").toString()};
        options.compressionLevel = 0;
        QString error;
        ASSERT_TRUE(publish::publishRelease(options, m_release, &error)) << error.toStdString();
    }

    // Settings of a run that has been started before and whose game is current.
    QJsonObject currentGameSettings() const
    {
        return QJsonObject{{"eula_accepted", 20171002},
                           {"update_url", m_server->url("/update.json").toString()},
                           {"qmx.installed_version", "1.1.0"}};
    }

    // A run whose window shows the download of the whole game, which takes
    // a minute; returns once the archive has been asked for (or the wait
    // for it has ended).
    QProcess* startDuringADownload()
    {
        const QString archive = m_release.contents.first().name;
        m_server->setRule("/" + archive,
                          QJsonObject{{"rate", double(QFileInfo(m_server->root() + "/" + archive).size() / 60)}});
        QJsonObject settings = currentGameSettings();
        settings.remove("qmx.installed_version");
        m_installation->writeSettings(settings);
        QProcess* run = m_installation->start();
        waitForWindows(1);
        QElapsedTimer timer;
        timer.start();
        while (!archiveRequested() && timer.elapsed() < kWindowWaitMs)
            QTest::qWait(100);
        return run;
    }

    bool archiveRequested() const
    {
        for (const QJsonObject& request : m_server->requests()) {
            if (request.value("path").toString().endsWith(".7z"))
                return true;
        }
        return false;
    }

    std::unique_ptr<testsupport::TestHttpServer> m_server;
    std::unique_ptr<Installation> m_installation;
    publish::Release m_release;
};

TEST_F(LauncherProcessTest, EachWayOutEndsWithItsExitCode)
{
    publishGame();
    const QString unreachable = "http://127.0.0.1:1/update.json";
    // A mirror that answers and then sends nothing: the install mode's
    // manifest check would wait a minute for it.
    const QString stalling = m_server->url("/stalling.json").toString();
    m_server->setRule("/stalling.json", QJsonObject{{"body_size", 1000}, {"stall_after", 0}, {"stall_seconds", 120}});
    const struct {
        const char* what;
        QStringList arguments;
        QJsonObject settings; // empty: no settings file
        std::function<void()> answer;
        int exitCode;
        // QT_QPA_PLATFORM of the session, when it names one: the windows
        // open on xcb also where it names a platform the folder lacks.
        const char* platform = nullptr;
    } cases[] = {
        {"normal mode, the EULA rejected", {}, {},
         [] {
             waitForWindow("License agreement");
             pressKeys({"Escape"});
             waitForWindows(3); // the question over the EULA over the main window
             pressKeys({"y"});
         },
         1},
        {"normal mode, Exit in the retry box", {}, {{"eula_accepted", 20171002}, {"update_url", unreachable}},
         [] {
             // The box comes over the main window; its default button is Yes.
             waitForWindows(2);
             pressKeys({"Tab", "space"});
         },
         0},
        {"normal mode, the window closed while no job runs: no question", {}, currentGameSettings(),
         [this] {
             waitForWindows(1);
             m_installation->waitUntilReady();
             pressKeys({"Escape"});
         },
         0},
        {"install mode, the EULA rejected while the mirror stalls", {"--install"}, {{"update_url", stalling}},
         [] {
             waitForWindow("License agreement");
             pressKeys({"Escape"});
             waitForWindows(3);
             pressKeys({"y"});
         },
         1},
        {"install mode, the install dialog closed", {"--install"}, {{"update_url", unreachable}},
         [] {
             waitForWindow("License agreement");
             pressKeys({"Return"});
             waitUntilGone("License agreement");
             waitForWindows(2); // the install dialog
             pressKeys({"Escape"});
             waitForWindows(3);
             pressKeys({"y"});
         },
         1},
        {"update mode without its options: a box and no window", {"--update"}, {},
         [] {
             waitForWindows(1);
             pressKeys({"Return"});
         },
         1},
        {"uninstall hand-over without a path", {"--uninstall", "--pid", "1"}, {}, [] {}, 1},
        {"normal mode on Wayland, closed while no job runs", {}, currentGameSettings(),
         [this] {
             waitForWindows(1);
             m_installation->waitUntilReady();
             pressKeys({"Escape"});
         },
         0, "wayland"},
        {"normal mode offscreen, closed while no job runs", {}, currentGameSettings(),
         [this] {
             waitForWindows(1);
             m_installation->waitUntilReady();
             pressKeys({"Escape"});
         },
         0, "offscreen"},
        {"install mode on Wayland, the EULA rejected", {"--install"}, {{"update_url", unreachable}},
         [] {
             waitForWindow("License agreement");
             pressKeys({"Escape"});
             waitForWindows(3);
             pressKeys({"y"});
         },
         1, "wayland;xcb"},
        {"update mode on Wayland without its options: a box", {"--update"}, {},
         [] {
             waitForWindows(1);
             pressKeys({"Return"});
         },
         1, "wayland"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(m_installation->dir() + "/QMXLauncher.conf");
        QFile::remove(m_installation->dir() + "/log.txt");
        if (!c.settings.isEmpty())
            m_installation->writeSettings(c.settings);
        QMap<QString, QString> session;
        if (c.platform)
            session = {{"QT_QPA_PLATFORM", c.platform}, {"WAYLAND_DISPLAY", "wayland-0"}};
        QProcess* run = m_installation->start(c.arguments, session);
        c.answer();
        EXPECT_EQ(Installation::exitCode(run), c.exitCode);
        // The launcher version opens every run's log.
        EXPECT_TRUE(m_installation->log().contains("QMXLauncher 4.0.10174"));
    }
}

TEST_F(LauncherProcessTest, ASecondStartEndsAtOnceAndTheFirstRunsOn)
{
    publishGame();
    m_installation->writeSettings(currentGameSettings());
    QProcess* first = m_installation->start();
    waitForWindows(1);

    QProcess* second = m_installation->start();
    EXPECT_EQ(Installation::exitCode(second), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(visibleWindows({"--classname", "QMXLauncher"}).size(), 1) << "the second start shows nothing";

    // An install mode runs beside a normal one.
    QProcess* install = m_installation->start({"--install"});
    waitForWindow("License agreement");
    EXPECT_EQ(install->state(), QProcess::Running);
    pressKeys({"Escape"});
    waitForWindows(4); // the first main window; the backdrop, the EULA and the question
    pressKeys({"y"});
    EXPECT_EQ(Installation::exitCode(install), 1);

    waitForWindows(1);
    m_installation->waitUntilReady();
    pressKeys({"Escape"});
    EXPECT_EQ(Installation::exitCode(first), 0);
}

TEST_F(LauncherProcessTest, ClosingDuringADownloadEndsAtOnce)
{
    publishGame();
    QProcess* run = startDuringADownload();
    ASSERT_TRUE(archiveRequested());
    QTest::qWait(1000); // well into the transfer

    pressKeys({"Escape"});
    waitForWindows(2);
    QElapsedTimer timer;
    timer.start();
    pressKeys({"y"});
    EXPECT_EQ(Installation::exitCode(run, 10000), 0);
    EXPECT_LT(timer.elapsed(), 10000) << "the download was not waited for";
    EXPECT_FALSE(m_installation->settings().contains("qmx.installed_version"));
    EXPECT_TRUE(m_installation->log().contains("update job still running"));
}

// The keys of the main window, from the keyboard of a real display: Enter
// plays while PLAY is enabled and does nothing before; Space presses no
// button the user has not chosen; Escape closes, asking while a job runs.
TEST_F(LauncherProcessTest, TheKeysOfTheMainWindowDoWhatItIsFor)
{
    publishGame();
    const QString game = m_installation->dir() + "/Game";
    testsupport::writeStandInLauncher(game + "/qmx_x64.exe");

    QProcess* run = startDuringADownload();
    ASSERT_TRUE(archiveRequested());
    pressKeys({"Return", "KP_Enter", "space"});
    QTest::qWait(1500);
    EXPECT_EQ(run->state(), QProcess::Running);
    EXPECT_EQ(visibleWindows({"--classname", "QMXLauncher"}).size(), 1) << "no question, no box";
    EXPECT_FALSE(testsupport::standInStart(game).started);
    pressKeys({"Escape"});
    waitForWindows(2); // the question
    pressKeys({"y"});
    EXPECT_EQ(Installation::exitCode(run), 0);

    // Ready, with the game current.
    m_installation->writeSettings(currentGameSettings());
    run = m_installation->start();
    waitForWindows(1);
    m_installation->waitUntilReady();
    pressKeys({"space"});
    QTest::qWait(1500);
    EXPECT_EQ(run->state(), QProcess::Running);
    EXPECT_FALSE(testsupport::standInStart(game).started);
    pressKeys({"Return"});
    EXPECT_EQ(Installation::exitCode(run), 0);
    const testsupport::StandInStart start = testsupport::waitForStandInStart(game);
    EXPECT_TRUE(start.started);
    EXPECT_EQ(start.arguments, QStringList({"-region", "EN", "-locale", "en-US"}));
}

// A click on the header, then Enter: the game starts, and the button that
// was clicked does nothing more. The header lies along the top, 97 px high;
// its 22 px buttons are centred 65 px down, and the GAME tab begins 25 px
// from the left.
TEST_F(LauncherProcessTest, AfterAClickOnTheHeaderEnterPlays)
{
    publishGame();
    const QString game = m_installation->dir() + "/Game";
    // The browser that the links open: it notes each address it is given.
    const QString browser = testsupport::rootDir() + "/browser";
    const QString opened = browser + "/opened.txt";
    testsupport::writeFile(browser + "/xdg-open", "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n");
    QFile::setPermissions(browser + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(browser) + ":" + qgetenv("PATH"));
    const auto openedPages = [&] {
        return QString::fromUtf8(testsupport::readFile(opened)).split('\n', Qt::SkipEmptyParts);
    };

    const struct {
        const char* what;
        int x, y;
        QStringList then; // keys after the click, before Enter
        int pages;        // opened by the click
    } cases[] = {
        {"the web site link", 1013, 65, {}, 1},
        {"the video link", 1047, 65, {}, 1},
        {"the Facebook link", 1081, 65, {}, 1},
        {"the Twitter link", 1115, 65, {}, 1},
        {"the settings button, its menu closed again", 1161, 65, {"Escape"}, 0},
        {"the GAME tab", 50, 75, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(game).removeRecursively();
        testsupport::writeStandInLauncher(game + "/qmx_x64.exe");
        QFile::remove(opened);
        m_installation->writeSettings(currentGameSettings());
        QProcess* run = m_installation->start();
        const QString window = waitForWindows(1);
        m_installation->waitUntilReady();

        clickAt(window, c.x, c.y);
        // Away from the header, where no tool tip comes up.
        xdotool({"mousemove", "--window", window, "592", "400"});
        EXPECT_TRUE(waitFor([&] { return openedPages().size() == c.pages; }, kWindowWaitMs));
        if (!c.then.isEmpty()) {
            // The menu is up; the keys go to it.
            EXPECT_TRUE(waitFor([] { return visibleWindows({"--classname", "QMXLauncher"}).size() == 2; }));
            pressKeys(c.then);
            EXPECT_TRUE(waitFor([] { return visibleWindows({"--classname", "QMXLauncher"}).size() == 1; }));
        }
        pressKeys({"Return"});
        EXPECT_EQ(Installation::exitCode(run), 0);
        EXPECT_TRUE(testsupport::waitForStandInStart(game).started);
        EXPECT_EQ(openedPages().size(), c.pages) << openedPages().join(' ').toStdString();
        if (run->state() != QProcess::NotRunning) {
            run->kill();
            run->waitForFinished(5000);
        }
    }
}

TEST_F(LauncherProcessTest, PlayStartsTheGameAndEndsTheLauncher)
{
    publishGame();
    const struct {
        QString language; // stored in the settings; empty: the system's
        QString locale;
    } cases[] = {
        {QString(), "en-US"},
        {"zh_CN", "zh-CN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.toStdString());
        const QString game = m_installation->dir() + "/Game";
        QDir(game).removeRecursively();
        testsupport::writeStandInLauncher(game + "/qmx_x64.exe");
        QJsonObject settings = currentGameSettings();
        if (!c.language.isEmpty())
            settings.insert("general.ui_language", c.language);
        m_installation->writeSettings(settings);

        QProcess* run = m_installation->start();
        const QString window = waitForWindows(1);
        // PLAY sits 25 px from the right and 30 px from the bottom, 46 px
        // high; clicks do nothing until the check has enabled it.
        QElapsedTimer timer;
        timer.start();
        while (run->state() != QProcess::NotRunning && timer.elapsed() < kWindowWaitMs) {
            clickAt(window, 1120, 667);
            run->waitForFinished(500);
        }
        EXPECT_EQ(Installation::exitCode(run), 0);

        const testsupport::StandInStart start = testsupport::waitForStandInStart(game);
        ASSERT_TRUE(start.started);
        EXPECT_EQ(start.program, game + "/qmx_x64.exe");
        EXPECT_EQ(start.arguments, QStringList({"-region", "EN", "-locale", c.locale}));
    }
}

} // namespace
