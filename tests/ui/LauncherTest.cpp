// The main window in the test process. Every way that ends the process
// (the close without a job, PLAY, Exit in the retry box) is tested on the
// real executable in LauncherProcessTest.cpp.

#include "core/Format.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "core/TR.h"
#include "platform/TaskbarProgress.h"
#include "tests/support/ModalSteps.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/LauncherFixture.h"
#include "ui/Buttons.h"
#include "ui/InstallDialog.h"
#include "ui/Launcher.h"
#include "update/AutoUpdate.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>

namespace {

using testsupport::answerBox;
using testsupport::ModalSteps;
using testsupport::pressKey;
using testsupport::SeenBox;

// The files below a folder with their contents, by relative path.
QMap<QString, QByteArray> filesBelow(const QString& dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dir).relativeFilePath(path), testsupport::readFile(path));
    }
    return files;
}

// Clicks the message box button with that text.
ModalSteps::Step clickButton(const QString& text, SeenBox* seen = nullptr, QStringList* buttons = nullptr)
{
    return [=](QWidget* window) {
        auto box = qobject_cast<QMessageBox*>(window);
        ASSERT_NE(box, nullptr) << window->metaObject()->className();
        if (seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
        }
        QAbstractButton* target = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            if (buttons)
                *buttons << button->text() + (button == box->defaultButton() ? "*" : "");
            if (button->text() == text)
                target = button;
        }
        ASSERT_NE(target, nullptr) << text.toStdString();
        target->click();
    };
}

// Clicks the dialog's text button (ACCEPT, REJECT, ...) with that text.
ModalSteps::Step clickDialogButton(const QString& text)
{
    return [=](QWidget* dialog) {
        for (BaseButton* button : dialog->findChildren<BaseButton*>()) {
            if (button->text() == text) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
    };
}

// A step that runs a check on the modal window and goes on with another step.
ModalSteps::Step inspect(std::function<void(QWidget*)> check, ModalSteps::Step then)
{
    return [=](QWidget* window) {
        check(window);
        then(window);
    };
}

TEST_F(LauncherTest, TheWindowIsLaidOutAsDesigned)
{
    serveCurrentGame();
    prepareSettings();
    // Read before the event loop runs: the check ends quickly.
    Launcher* window = showLauncher();

    EXPECT_EQ(window->size(), QSize(1184, 720));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), "Quillmere 4");
    QLabel* background = nullptr;
    QLabel* logo = nullptr;
    for (QLabel* child : window->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QPixmap picture = child->pixmap(Qt::ReturnByValue);
        if (picture.size() == QSize(1184, 720))
            background = child;
        else if (picture.size() == QSize(239, 262))
            logo = child;
    }
    ASSERT_NE(background, nullptr);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(background->geometry(), QRect(0, 0, 1184, 720));
    EXPECT_EQ(window->children().indexOf(background), 0) << "the background lies below every other child";
    EXPECT_NEAR(logo->geometry().center().x(), 1184 / 2, 1);

    StyledButton* play = playButton();
    EXPECT_EQ(play->text(), "PLAY");
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(play->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(play->geometry().right() + 1, 1184 - 25);
    EXPECT_EQ(play->geometry().bottom() + 1, 720 - 30);
    EXPECT_EQ(play->height(), 46) << "from the style sheet";

    // The check has started: busy bar, no percentages yet.
    EXPECT_TRUE(progressPanel()->isVisible());
    EXPECT_EQ(label("status")->text(), "Checking for updates...");
    EXPECT_EQ(label("progress")->text(), "");
    EXPECT_EQ(progressBar()->maximum(), 0);
    EXPECT_FALSE(progressBar()->isTextVisible());
    EXPECT_EQ(progressBar()->width(), 1184);
    EXPECT_TRUE(taskbar()->isVisible());
    EXPECT_EQ(taskbar()->appUri(), "application://Quillmere 4.desktop");
    EXPECT_EQ(label("version")->text(), "");

    EXPECT_EQ(waitForFinish(), UpdateUpToDate);
    EXPECT_EQ(label("version")->text(), "Version 1.1.0");
    EXPECT_LT(label("version")->geometry().top(), progressPanel()->geometry().top());
}

TEST_F(LauncherTest, TheFirstStartAsksForTheEulaOverTheShownWindow)
{
    serveCurrentGame();
    const struct {
        const char* what;
        QVariant stored; // "eula_accepted" before the start; invalid: no settings file at all
        bool asked;
    } cases[] = {
        {"no settings", QVariant(), true},
        {"another number", 20171001, true},
        {"a text", "yes", true},
        {"accepted before", 20171002, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(launcherConfigPath());
        m_settings = JsonSettings();
        m_settings.setValue("update_url", manifestUrl().toString());
        if (c.stored.isValid())
            m_settings.setValue("eula_accepted", c.stored);
        const int requestsBefore = manifestRequests();

        bool overTheWindow = false;
        ModalSteps script({
            [&](QWidget* dialog) {
                EXPECT_STREQ(dialog->metaObject()->className(), "EulaDialog");
                overTheWindow = dialog->parentWidget() == m_launcher.get() && m_launcher->isVisible();
                // Nothing is fetched before the licence is accepted.
                EXPECT_EQ(manifestRequests(), requestsBefore);
                EXPECT_FALSE(progressPanel()->isVisible());
                pressKey(Qt::Key_Return)(dialog);
            },
        });
        showLauncher();
        EXPECT_EQ(waitForFinish(), UpdateUpToDate);
        EXPECT_EQ(script.done(), c.asked ? 1 : 0);
        EXPECT_EQ(overTheWindow, c.asked);
        EXPECT_EQ(manifestRequests(), requestsBefore + 1);
        EXPECT_TRUE(playButton()->isEnabled());
        if (c.asked) {
            EXPECT_EQ(savedSettings().value("eula_accepted"), 20171002);
        } else {
            EXPECT_FALSE(QFile::exists(launcherConfigPath())) << "nothing to store";
        }
        m_launcher.reset();
    }
}

// A save of the acceptance that fails (a folder stands where the settings
// file goes) says so once; the EULA is then asked again at the next start.
TEST_F(LauncherTest, AFailedSaveOfTheAcceptanceWritesOneCriticalLine)
{
    serveCurrentGame();
    QFile::remove(launcherConfigPath());
    QDir().mkpath(launcherConfigPath() + "/in the way");
    m_settings = JsonSettings();
    m_settings.setValue("update_url", manifestUrl().toString());
    testsupport::clearLog();

    ModalSteps script({pressKey(Qt::Key_Return)});
    showLauncher();
    EXPECT_EQ(waitForFinish(), UpdateUpToDate);
    EXPECT_EQ(script.done(), 1);
    const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
    ASSERT_EQ(criticals.size(), 1);
    EXPECT_TRUE(criticals[0].endsWith("failed to save settings: " + launcherConfigPath())) << criticals[0].toStdString();
}

TEST_F(LauncherTest, RejectingTheEulaEndsTheRunWithOne)
{
    const QString unreadable = testsupport::rootDir() + "/no such eula";
    const struct {
        const char* what;
        QString eulaPath;
        std::vector<ModalSteps::Step> steps;
    } cases[] = {
        {"REJECT, then Yes", QString(), {clickDialogButton("REJECT"), answerBox(QMessageBox::Yes)}},
        {"Escape, then Yes", QString(), {pressKey(Qt::Key_Escape), answerBox(QMessageBox::Yes)}},
        {"the text cannot be read", unreadable, {answerBox(QMessageBox::Ok)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setEulaPathForTests(c.eulaPath);
        ModalSteps script(c.steps);
        showLauncher();
        EXPECT_EQ(QApplication::exec(), 1);
        EXPECT_EQ(script.done(), int(c.steps.size()));
        EXPECT_EQ(manifestRequests(), 0);
        EXPECT_FALSE(QFile::exists(launcherConfigPath()));
        m_launcher.reset();
    }
}

TEST_F(LauncherTest, AWholeRunShowsEveryStepAndEndsReady)
{
    publishGame();
    const struct {
        const char* what;
        Version installed; // invalid: nothing installed
        QString throttled; // the archive that downloads slowly
        int result;
        QList<int> steps;  // the actions that must have been seen, besides the check
    } cases[] = {
        {"nothing installed: the full package", Version(), "qmx_full_1.1.0.7z", UpdateDone,
         {ProgressDownloading, ProgressUnpacking}},
        {"1.0.0 installed: the patch", Version(1, 0, 0), "qmx_patch_1.0.0_1.1.0.7z", UpdateDone,
         {ProgressDownloading, ProgressUnpacking, ProgressInstalling}},
        {"1.1.0 installed: nothing to do", Version(1, 1, 0), QString(), UpdateUpToDate, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(gameDirPath()).removeRecursively();
        m_settings = JsonSettings();
        prepareSettings();
        setInstalledGameVersion(Version());
        if (c.installed.isValid())
            installGame(c.installed);
        serveManifest(m_release.manifest());
        if (!c.throttled.isEmpty()) {
            const qint64 size = QFileInfo(m_server->root() + "/" + c.throttled).size();
            // About three seconds of transfer.
            m_server->setRule("/" + c.throttled, QJsonObject{{"rate", double(qMax<qint64>(size / 3, 1))}});
        }
        m_snapshots.clear();

        showLauncher();
        ASSERT_EQ(waitForFinish(), c.result);

        QSet<int> seen;
        QStringList all;
        for (const PanelSnapshot& shot : m_snapshots)
            all << QString("%1/%2").arg(shot.action).arg(shot.total);
        SCOPED_TRACE(all.join(' ').toStdString());
        for (const PanelSnapshot& shot : m_snapshots) {
            const std::string where = QString("action %1, total %2: \"%3\" \"%4\"")
                                          .arg(shot.action)
                                          .arg(shot.total)
                                          .arg(shot.status, shot.amounts)
                                          .toStdString();
            if (shot.afterFinish) {
                // The timer's last tick, queued behind the end: it brings no progress back.
                EXPECT_FALSE(shot.panelVisible) << where;
                continue;
            }
            seen.insert(shot.action);
            EXPECT_TRUE(shot.panelVisible) << where;
            EXPECT_TRUE(shot.taskbarVisible) << where;
            EXPECT_TRUE(shot.taskbarAttached) << where;
            EXPECT_EQ(shot.barMinimum, 0) << where;
            EXPECT_EQ(shot.barMaximum, shot.total > 0 ? 1000000 : 0) << where;
            EXPECT_EQ(shot.taskbarMaximum, shot.barMaximum) << where;
            if (shot.total > 0) {
                EXPECT_EQ(shot.taskbarValue, shot.barValue) << where;
            }
            switch (shot.action) {
            case ProgressUpdateCheck:
                EXPECT_EQ(shot.status, "Checking for updates...") << where;
                EXPECT_EQ(shot.amounts, "") << where;
                break;
            case ProgressDownloading:
                if (shot.total > 0) {
                    EXPECT_TRUE(QRegularExpression(R"(^Downloading \d+\.\d%$)").match(shot.status).hasMatch()) << where;
                    const QString amounts = R"(\d+(\.\d+)? (bytes|kB|MB)/\d+(\.\d+)? (bytes|kB|MB))";
                    const QString rate = R"( \(\d+(\.\d+)? (bytes|kB|MB)/s\))";
                    EXPECT_TRUE(QRegularExpression("^" + amounts + (shot.rate > 0 ? rate : QString()) + "$")
                                    .match(shot.amounts)
                                    .hasMatch())
                        << where;
                } else {
                    EXPECT_EQ(shot.status, "Downloading...") << where;
                    EXPECT_EQ(shot.amounts, "") << where;
                }
                break;
            case ProgressUnpacking:
                EXPECT_TRUE(shot.status == "Unpacking..."
                            || QRegularExpression(R"(^Unpacking \d+%$)").match(shot.status).hasMatch())
                    << where;
                EXPECT_EQ(shot.amounts, "") << where;
                break;
            case ProgressInstalling:
                EXPECT_TRUE(shot.status == "Installing..."
                            || QRegularExpression(R"(^Installing \d+%$)").match(shot.status).hasMatch())
                    << where;
                EXPECT_EQ(shot.amounts, "") << where;
                break;
            default:
                ADD_FAILURE() << where;
            }
        }
        for (int step : c.steps)
            EXPECT_TRUE(seen.contains(step)) << "action " << step << " was never shown";

        // Ready: PLAY, the version, no progress.
        EXPECT_TRUE(playButton()->isEnabled());
        EXPECT_EQ(label("version")->text(), "Version 1.1.0");
        EXPECT_FALSE(progressPanel()->isVisible());
        EXPECT_FALSE(taskbar()->isVisible());
        // A timer report queued behind the end brings no progress back.
        emit AutoUpdate::instance()->updateProgress(QString(), ProgressDownloading, 0.5f, 100, 50, 0);
        QCoreApplication::processEvents();
        EXPECT_FALSE(progressPanel()->isVisible());
        EXPECT_FALSE(taskbar()->isVisible());
        EXPECT_EQ(filesBelow(gameDirPath()), filesBelow(versionDir(Version(1, 1, 0))));
        EXPECT_EQ(installedGameVersion(), Version(1, 1, 0));
        if (c.result == UpdateDone) {
            EXPECT_EQ(savedSettings().value("qmx.installed_version"), "1.1.0");
        }
        m_launcher.reset();
    }
}

TEST_F(LauncherTest, ProgressReportsShowTheStepAndTheAmounts)
{
    serveCurrentGame();
    prepareSettings();
    showLauncher();
    ASSERT_EQ(waitForFinish(), UpdateUpToDate);

    const qint64 MB = 1024 * 1024;
    const qint64 GB = 1024 * MB;
    const struct {
        const char* what;
        QString message;
        int action;
        float progress;
        qint64 total;
        qint64 current;
        qint64 rate;
        QString status;
        QString amounts;
        int barMaximum;
        int barValue; // when the range is not busy
    } cases[] = {
        {"checking files", "Checking files", ProgressCheckingFiles, 0.5f, 200, 100, 0, "Checking files 50%", "", 1000000,
         500000},
        {"more than done: a full bar, the percentage as it is", "", ProgressCheckingFiles, 1.7f, 100, 170, 0,
         "Checking files 170%", "", 1000000, 1000000},
        {"downloading with a rate", "", ProgressDownloading, 0.25f, 3 * GB, 3 * GB / 4, 3072, "Downloading 25.0%",
         "768.0 MB/3.00 GB (3 kB/s)", 1000000, 250000},
        {"downloading, no rate yet", "", ProgressDownloading, 0.5f, 3 * MB, 3 * MB / 2, 0, "Downloading 50.0%",
         "1.5 MB/3.0 MB", 1000000, 500000},
        {"downloading, a negative rate", "", ProgressDownloading, 0.5f, 3 * MB, 3 * MB / 2, -2048, "Downloading 50.0%",
         "1.5 MB/3.0 MB", 1000000, 500000},
        {"the manifest check keeps the texts", "", ProgressUpdateCheck, 0.75f, 4, 3, 0, "Downloading 50.0%",
         "1.5 MB/3.0 MB", 1000000, 750000},
        {"an unknown step keeps the texts", "", 42, 0.0f, 0, 0, 0, "Downloading 50.0%", "1.5 MB/3.0 MB", 0, 0},
        {"unpacking", "", ProgressUnpacking, 0.333f, 3, 1, 0, "Unpacking 33%", "", 1000000, 333000},
        {"installing, rounded", "", ProgressInstalling, 0.999f, 1000, 999, 0, "Installing 100%", "", 1000000, 999000},
        {"below nothing: an empty bar", "", ProgressInstalling, -0.5f, 10, 0, 0, "Installing -50%", "", 1000000, 0},
        {"no total: busy, the engine's message", "Unpacking...", ProgressUnpacking, 0.9f, 0, 5, 0, "Unpacking...", "",
         0, 0},
        {"downloading without a total", "Downloading...", ProgressDownloading, 0.0f, -1, 0, 4096, "Downloading...",
         "", 0, 0},
    };
    progressPanel()->show(); // as it is while a job runs
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_launcher->updateProgress(c.message, c.action, c.progress, c.total, c.current, c.rate);
        EXPECT_EQ(label("status")->text(), c.status);
        EXPECT_EQ(label("progress")->text(), c.amounts);
        EXPECT_EQ(progressBar()->maximum(), c.barMaximum);
        EXPECT_EQ(taskbar()->maximum(), c.barMaximum);
        if (c.barMaximum > 0) {
            EXPECT_EQ(progressBar()->value(), c.barValue);
            EXPECT_EQ(taskbar()->value(), c.barValue);
        }
        EXPECT_TRUE(progressPanel()->isVisible());
        EXPECT_TRUE(taskbar()->isVisible());
    }
}

TEST_F(LauncherTest, EveryErrorCodeOffersARetry)
{
    serveCurrentGame();
    prepareSettings();
    showLauncher();
    ASSERT_EQ(waitForFinish(), UpdateUpToDate);

    // The English texts of the translation.
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {ErrUpdateInfoQueryFailed,
         "Failed to connect to update server. Please check your internet connection and try again. Retry?"},
        {ErrUpdateInfoNotValid, "Update information is not valid. Please try again. Retry?"},
        {ErrUpdateInfoNotFound, "Update information is not found. Please try again. Retry?"},
        {ErrUpdateContentNotFound,
         "Game content is not available. Please check the platform requirements and try again. Retry?"},
        {ErrUpdateDownloadFailed,
         "Game content failed to download. Please check your internet connection and try again. Retry?"},
        {ErrUpdateFailedToUnpack, "Game content failed to unpack. Please try again. Retry?"},
        {ErrUpdateFailedToStart, "Update failed to start. Retry?"},
        {ErrUpdateFailedToPatch, "Game content patch failed. Please try again. Retry?"},
        {ErrUnknown, "Update process failed for unknown reason. Please try again. Retry?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        playButton()->setEnabled(false); // as it is while a job runs
        const int requestsBefore = manifestRequests();
        SeenBox seen;
        QStringList buttons;
        bool stillOpenAfterEscape = false;
        ModalSteps script({inspect(
            [&](QWidget* box) {
                // Neither Escape nor the close request answers the box.
                QTest::keyClick(box, Qt::Key_Escape);
                box->close();
                stillOpenAfterEscape = box->isVisible();
            },
            clickButton("Yes", &seen, &buttons))});
        m_launcher->updateFinish(c.code);
        EXPECT_EQ(script.done(), 1);
        EXPECT_TRUE(stillOpenAfterEscape);
        EXPECT_EQ(seen.title, "Quillmere 4");
        EXPECT_EQ(seen.text, c.text);
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(buttons, QStringList({"Yes*", "Exit"}));
        // Yes: a new full job, PLAY still off until it ends well.
        EXPECT_FALSE(playButton()->isEnabled());
        EXPECT_TRUE(progressPanel()->isVisible());
        EXPECT_EQ(waitForFinish(), UpdateUpToDate);
        EXPECT_EQ(manifestRequests(), requestsBefore + 1);
        EXPECT_TRUE(playButton()->isEnabled());
    }
}

TEST_F(LauncherTest, AFailedCheckIsRetriedFromTheBox)
{
    serveCurrentGame();
    prepareSettings();
    // Nothing listens there.
    m_settings.setValue("update_url", "http://127.0.0.1:1/update.json");
    SeenBox seen;
    ModalSteps script({inspect(
        [&](QWidget*) {
            EXPECT_FALSE(playButton()->isEnabled());
            EXPECT_FALSE(progressPanel()->isVisible());
            EXPECT_FALSE(taskbar()->isVisible());
            m_settings.setValue("update_url", manifestUrl().toString());
        },
        clickButton("Yes", &seen))});
    showLauncher();
    EXPECT_EQ(waitForFinish(), ErrUpdateInfoQueryFailed);
    EXPECT_EQ(waitForFinish(), UpdateUpToDate);
    EXPECT_EQ(script.done(), 1);
    EXPECT_EQ(seen.text,
              "Failed to connect to update server. Please check your internet connection and try again. Retry?");
    EXPECT_TRUE(playButton()->isEnabled());
}

TEST_F(LauncherTest, AnInstalledContentIsRecordedInTheSettings)
{
    QJsonObject manifest = gameManifest(Version(1, 1, 0));
    QJsonObject game = manifest.value("qmx").toObject();
    QJsonArray contents = game.value("content").toArray();
    contents.append(QJsonObject{{"id", "qmx_patch"},
                                {"name", "qmx_patch.7z"},
                                {"platform", "win64"},
                                {"version_from", "1.0.0"},
                                {"version_to", "1.0.5"},
                                {"size", 10},
                                {"http", QJsonArray{"http://127.0.0.1:1/qmx_patch.7z"}}});
    game.insert("content", contents);
    manifest.insert("qmx", game);
    serveManifest(manifest);
    prepareSettings();
    installGame(Version(1, 1, 0));
    showLauncher();
    ASSERT_EQ(waitForFinish(), UpdateUpToDate);

    const struct {
        const char* what;
        QString product;
        QString content;
        Version expected;
    } cases[] = {
        {"a patch of the game", "qmx", "qmx_patch", Version(1, 0, 5)},
        {"another product", "qmx_launcher_en", "qmx_full", Version(1, 0, 5)},
        {"a content the manifest does not list", "qmx", "qmx_other", Version(1, 0, 5)},
        {"the full package", "qmx", "qmx_full", Version(1, 1, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_launcher->updateContentInstalled(c.product, c.content);
        EXPECT_EQ(installedGameVersion(), c.expected);
        EXPECT_EQ(savedSettings().value("qmx.installed_version").toString(), c.expected.toString());
        EXPECT_EQ(label("version")->text(), "Version 1.1.0") << "the published version";
    }

    // An engine without a manifest changes nothing.
    AutoUpdate::destroyInstance();
    m_launcher->updateContentInstalled("qmx", "qmx_patch");
    EXPECT_EQ(installedGameVersion(), Version(1, 1, 0));
    EXPECT_EQ(savedSettings().value("qmx.installed_version"), "1.1.0");
}

TEST_F(LauncherTest, AGameThatCannotStartIsReported)
{
    serveCurrentGame();
    prepareSettings();
    showLauncher();
    ASSERT_EQ(waitForFinish(), UpdateUpToDate);
    const QString game = gameDirPath() + "/qmx_x64.exe";

    const struct {
        const char* what;
        std::function<void()> prepare;
    } cases[] = {
        {"missing", [] {}},
        {"not executable", [&] { testsupport::writeFile(game, "#!/bin/sh\nexit 0\n"); }},
        {"a folder", [&] {
             QFile::remove(game);
             QDir().mkpath(game);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        testsupport::clearLog();
        SeenBox seen;
        ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
        playButton()->click();
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(seen.title, "Quillmere 4");
        EXPECT_EQ(seen.text, "Failed to start the game.");
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.buttons, QMessageBox::Ok);
        EXPECT_TRUE(testsupport::logContains("Failed to start game file: " + game));
        EXPECT_TRUE(m_launcher->isVisible());
        EXPECT_TRUE(playButton()->isEnabled());
    }
}

TEST_F(LauncherTest, ClosingDuringAnUpdateAsksFirst)
{
    publishGame();
    serveManifest(m_release.manifest());
    const QString archive = "qmx_full_1.1.0.7z";
    const qint64 size = QFileInfo(m_server->root() + "/" + archive).size();
    // Ten seconds of download: the three questions below must all come while
    // the job runs, also on a loaded machine (a close after the job ended
    // would end the test process).
    m_server->setRule("/" + archive, QJsonObject{{"rate", double(size / 10)}});
    prepareSettings();
    showLauncher();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !m_snapshots.isEmpty() && m_snapshots.last().action == ProgressDownloading; }, 20000));

    const struct {
        const char* what;
        std::function<void()> close;
    } ways[] = {
        {"the close button", [&] { m_launcher->findChild<SystemButton*>("close")->click(); }},
        {"Escape", [&] { QTest::keyClick(m_launcher.get(), Qt::Key_Escape); }},
        {"the window's close request", [&] { m_launcher->close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        SeenBox seen;
        ModalSteps script({answerBox(QMessageBox::No, &seen)});
        ASSERT_TRUE(AutoUpdate::instance()->isRunning()) << "the download ended too early";
        way.close();
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(seen.text, "Program will exit. Do you want to continue?");
        EXPECT_EQ(seen.defaultButton, QMessageBox::No);
        EXPECT_TRUE(m_launcher->isVisible());
        EXPECT_TRUE(AutoUpdate::instance()->isRunning());
    }
    EXPECT_EQ(waitForFinish(), UpdateDone);
}

TEST_F(LauncherTest, ALanguageChangeRetranslatesTheWindowAtOnce)
{
    serveCurrentGame();
    prepareSettings();
    showLauncher();
    ASSERT_EQ(waitForFinish(), UpdateUpToDate);
    progressPanel()->show(); // as it is while a job runs
    m_launcher->updateProgress("", ProgressUnpacking, 0.5f, 2, 1, 0);
    ASSERT_EQ(label("status")->text(), "Unpacking 50%");

    ASSERT_TRUE(setLanguage("zh_CN"));
    settle();
    const QString play = TR::tr("LauncherBtnPlay");
    ASSERT_NE(play, "PLAY") << "a translated text";
    EXPECT_EQ(playButton()->text(), play);
    EXPECT_EQ(m_launcher->windowTitle(), TR::tr("ProductName"));
    EXPECT_EQ(label("version")->text(), TR::tr("LauncherVersion").arg(1).arg(1).arg(0));
    EXPECT_EQ(label("status")->text(), "Unpacking 50%") << "until the next report";
    m_launcher->updateProgress("", ProgressUnpacking, 0.5f, 2, 1, 0);
    EXPECT_EQ(label("status")->text(), TR::tr("LauncherProgressUnpack").arg(50.0, 0, 'f', 0));
}

TEST_F(LauncherTest, TheSelfUpdateHandOverEndsTheEventLoopWithZero)
{
    serveCurrentGame();
    prepareSettings();
    showLauncher();
    ASSERT_EQ(waitForFinish(), UpdateUpToDate);
    AutoUpdate* engine = AutoUpdate::instance();
    QTimer::singleShot(0, engine, [engine] { emit engine->exitAppToUpdate(); });
    EXPECT_EQ(QApplication::exec(), 0);
    // The engine that handed over is gone; a new one knows no manifest.
    ProductUpdateInfo game;
    EXPECT_FALSE(AutoUpdate::instance()->gameUpdateInfo(game));
}

TEST_F(LauncherTest, TheInstallModeAsksForTheEulaThenOffersTheInstallation)
{
    serveCurrentGame();
    prepareSettings();
    const struct {
        const char* what;
        bool manifestStored;
        QString size;
    } cases[] = {
        {"before the manifest check has ended", false, formatSize(9163421575)},
        {"with the manifest stored", true, formatSize(4242)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AutoUpdate::destroyInstance();
        if (c.manifestStored)
            storeManifest();
        QStringList texts;
        ModalSteps script({
            clickDialogButton("ACCEPT"),
            [&](QWidget* dialog) {
                EXPECT_STREQ(dialog->metaObject()->className(), "InstallDialog");
                EXPECT_EQ(dialog->parentWidget(), m_launcher.get());
                for (QLabel* label : dialog->findChildren<QLabel*>())
                    texts << label->text();
                pressKey(Qt::Key_Escape)(dialog);
            },
            answerBox(QMessageBox::Yes),
        });
        showLauncher(true);
        EXPECT_EQ(QApplication::exec(), 1);
        EXPECT_EQ(script.done(), 3);
        EXPECT_TRUE(texts.contains(c.size)) << texts.join('|').toStdString();
        EXPECT_TRUE(texts.contains(testsupport::homeDir() + "/Games/QMX_EN")) << texts.join('|').toStdString();
        // The install mode does not listen to the engine.
        EXPECT_FALSE(progressPanel()->isVisible());
        EXPECT_FALSE(QFile::exists(launcherConfigPath())) << "the acceptance is the new installation's to store";
        m_launcher.reset();
    }
}

} // namespace
