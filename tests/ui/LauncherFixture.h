#pragma once

#include "core/JsonSettings.h"
#include "core/Version.h"
#include "tests/support/TestHttpServer.h"
#include "tests/ui/UiTest.h"
#include "tools/publish/Publisher.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class Launcher;
class QLabel;
class QProgressBar;
class StyledButton;

namespace platform {
class TaskbarProgress;
}

// What the main window showed right after it handled one progress report.
struct PanelSnapshot
{
    int action = 0;
    qint64 total = 0;
    qint64 rate = 0;
    QString status;
    QString amounts;
    int barMinimum = 0;
    int barMaximum = 0;
    int barValue = 0;
    bool panelVisible = false;
    bool taskbarVisible = false;
    bool taskbarAttached = false;
    int taskbarMaximum = 0;
    int taskbarValue = 0;
    // The report reached the window after the job's end: the timer's last
    // tick can come behind it, and the window leaves such a report alone.
    bool afterFinish = false;
};

// A main window test: English texts, the launcher's product record, the
// settings store of a run (the file is "QMXLauncher.conf" in the test's
// application directory) and a local mirror that serves a small game in two
// versions, 1.0.0 and 1.1.0.
class LauncherTest : public UiTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Publishes the game: the newest version as a full package, and a patch
    // from 1.0.0 to 1.1.0.
    void publishGame();
    // The mirror serves this as "update.json".
    void serveManifest(const QJsonObject& manifest);
    // A manifest whose game is at version, with one full package of it
    // ("qmx_full"); the launcher is not newer than this one.
    static QJsonObject gameManifest(const Version& version);
    // The mirror serves a manifest of 1.1.0 and that version is installed:
    // a check ends with "up to date".
    void serveCurrentGame();
    QUrl manifestUrl() const;

    // The settings of a launcher that has been run before: the EULA accepted,
    // the manifest taken from the mirror.
    void prepareSettings();
    // Copies a version of the game into "Game" and records it as installed.
    void installGame(const Version& version);

    // Creates and shows the window; the recorder is listening already.
    Launcher* showLauncher(bool installMode = false);

    // Waits, bounded, until the window has handled updateFinish; the code.
    int waitForFinish(int timeoutMs = 60000);
    // Runs a check-only job, so that the engine holds the served manifest.
    void storeManifest();

    QLabel* label(const char* objectName) const;
    QProgressBar* progressBar() const;
    StyledButton* playButton() const;
    QWidget* progressPanel() const;
    platform::TaskbarProgress* taskbar() const;
    // The settings file as it is on disk.
    static QJsonObject savedSettings();
    // How often the mirror was asked for the manifest.
    int manifestRequests() const;

    QString versionDir(const Version& version) const;

    JsonSettings m_settings;
    std::unique_ptr<testsupport::TestHttpServer> m_server;
    std::unique_ptr<Launcher> m_launcher;
    publish::Release m_release;
    // Filled as the window handles the engine's signals.
    QList<PanelSnapshot> m_snapshots;
    QList<int> m_finishes;

private:
    // Records what the window shows for the signals of the current engine.
    void listen();
    void recordProgress();

    QObject m_recorder;
    QPointer<QObject> m_listened;
    // How many updateFinish have reached the main thread, counted before
    // the window's own slot runs.
    int m_finishesReached = 0;
};
