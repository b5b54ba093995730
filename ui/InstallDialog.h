#pragma once

#include "ui/StyledDialog.h"

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace install {
class InstallWorker;
}

// The one page of the install mode: the disk space the game needs, the
// target folder with a picker, two shortcut options and INSTALL. The folder's
// volume is checked after every change. INSTALL runs the install worker and
// waits for it; on success the dialog writes the new installation's settings,
// starts the installed launcher and ends the application with 0.
class InstallDialog : public StyledDialog
{
    Q_OBJECT
public:
    explicit InstallDialog(QWidget* parent);
    ~InstallDialog() override;

    // The texts are set once, at construction.
    void retranslateUi() override;

    // The path is taken cleaned ("/" separators, no "." or ".."), as the
    // installation examines and records it.
    void setInstallPath(const QString& path);
    // The game's size; the launcher's own files come on top of it.
    void setRequiredSize(qint64 bytes);

    // Whether the target folder can take an installation (new, empty, or
    // holding nothing but this launcher's files) and its volume exists, is
    // writable and has more room than required; shows the reason when not.
    bool validatePath();

public slots:
    // The manifest check has ended: the game's install size, when the
    // stored manifest has the game, becomes the required size.
    void updateCheckFinished();
    void selectPath();
    void install();
    void installFinished(bool success);

protected:
    // Closing always asks the general question.
    bool needsExitConfirmation(QString& text) override;

private:
    // What the installation takes: the game and the launcher's files.
    qint64 neededSize() const;

    QString m_targetPath;
    qint64 m_requiredSize = 0;
    qint64 m_launcherSize;
    QLabel* m_sizeLabel;
    QLabel* m_pathLabel;
    QLabel* m_errorLabel;
    QPushButton* m_pathButton;
    QCheckBox* m_desktopBox;
    QCheckBox* m_startMenuBox;
    std::unique_ptr<install::InstallWorker> m_worker;
};
