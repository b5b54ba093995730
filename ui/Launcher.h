#pragma once

#include "ui/StyledDialog.h"

#include <QList>
#include <QUrl>

class IProgramSettings;
class LauncherHeader;
class QLabel;
class QProgressBar;
class StyledButton;

namespace platform {
class TaskbarProgress;
}

// Where a run of the launcher fetches its manifest: the "update_url" setting
// when it is present (whatever it holds), else the built-in mirrors.
QList<QUrl> manifestUrlsFor(const IProgramSettings& settings);

// Ends the process at once with exitCode, without waiting for an update job
// on the pool: queued work is dropped and the engine released as far as a
// running job allows.
[[noreturn]] void endLauncherProcess(int exitCode);

// The launcher's main window: the background picture, the header, the logo,
// the published game version, the progress of the update (also on the task
// bar entry) and PLAY. In normal mode it has the EULA accepted once, runs an
// update on every start and enables PLAY when the game is current; in install
// mode it is only the backdrop of the EULA and install dialogs.
class Launcher : public StyledDialog
{
    Q_OBJECT
public:
    // settings is main()'s store, not owned; the window writes through it.
    Launcher(IProgramSettings* settings, bool installMode, QWidget* parent = nullptr);

    void retranslateUi() override;

public slots:
    // Ends the launcher at once, exit code 0; also the close of the window.
    void exitApp();
    void _onAcceptEULA();
    void _onInstall();
    // For whatever wants to pause and resume the transfer; nothing in the
    // window offers it.
    void _onUpdatePause();
    void _onUpdateResume();
    void _onPlay();

    // The engine's signals, connected queued. updateStart also refreshes the
    // version label.
    void updateStart();
    void updateFinish(int errorCode);
    void updateProgress(const QString& message, int action, float progress, qlonglong total, qlonglong current,
                        qlonglong rate);
    void updateContentInstalled(const QString& productId, const QString& contentId);
    void exitAppToUpdate();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // While an update runs, closing asks first.
    bool needsExitConfirmation(QString& text) override;
    void closeDialog() override;

private:
    void startUpdateCheck();
    void layoutBackground(int offset);
    void showProgressPanel();
    void saveSettings();

    QLabel* m_background = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_version = nullptr;
    platform::TaskbarProgress* m_taskbar = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_progressLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QWidget* m_progressPanel = nullptr;
    StyledButton* m_play = nullptr;
    LauncherHeader* m_header = nullptr;
    IProgramSettings* m_settings;
};
