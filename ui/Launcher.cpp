#include "ui/Launcher.h"

#include "core/Format.h"
#include "core/IProgramSettings.h"
#include "core/JsonSettings.h"
#include "core/Localization.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProcessUtils.h"
#include "core/ProductInfo.h"
#include "core/TR.h"
#include "platform/Process.h"
#include "platform/ShellLink.h"
#include "platform/TaskbarProgress.h"
#include "ui/Buttons.h"
#include "ui/EulaDialog.h"
#include "ui/InstallDialog.h"
#include "ui/LauncherHeader.h"
#include "update/AutoUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const int kWindowWidth = 1184;
const int kWindowHeight = 720;
const int kEulaAccepted = 20171002;
const int kProgressScale = 1000000;
const int kPlayRightMargin = 25;
const int kPlayBottomMargin = 30;
const QString kEulaKey = QStringLiteral("eula_accepted");
const QString kUpdateUrlKey = QStringLiteral("update_url");
const QString kInstalledVersionKey = QStringLiteral("qmx.installed_version");
const QString kGameExecutable = QStringLiteral("qmx_x64.exe");
// What the install dialog offers before the manifest tells the game's size.
const qint64 kDefaultRequiredSize = 9163421575;

// The folder the install dialog proposes: "Games/QMX_EN" in the home folder.
QString defaultInstallPath()
{
    return QDir::homePath() + QStringLiteral("/Games/QMX_EN");
}

// How long the job that handed over to a new launcher copy may take to
// return: it only has its last signal to send.
const int kEndingJobMs = 5000;

// Jobs still queued on the pool are dropped. The engine stops its BitTorrent
// session (saving its state) and is deleted once no job can touch it any
// more; a job still at work keeps it, and the process ends around it.
void releaseEngine(bool waitForEndingJob)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->clear();
    if (waitForEndingJob)
        pool->waitForDone(kEndingJobMs);
    AutoUpdate::destroyInstance();
}

} // namespace

void endLauncherProcess(int exitCode)
{
    releaseEngine(false);
    QCoreApplication::exit(exitCode);
    platform::terminateCurrentProcess(exitCode);
}

QList<QUrl> manifestUrlsFor(const IProgramSettings& settings)
{
    const QVariant customUrl = settings.value(kUpdateUrlKey);
    if (customUrl.isValid())
        return {QUrl(customUrl.toString())};
    return updateManifestUrls();
}

Launcher::Launcher(IProgramSettings* settings, bool installMode, QWidget* parent)
    : StyledDialog(parent)
    , m_settings(settings)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    m_background = new QLabel(this);
    m_background->setPixmap(QPixmap(QStringLiteral(":/splash")));
    m_background->setScaledContents(true);

    m_header = new LauncherHeader(this, true, m_settings);

    m_logo = new QLabel(this);
    m_logo->setPixmap(QPixmap(QStringLiteral(":/logo_en")));

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("version"));

    m_play = new StyledButton(this);
    m_play->setEnabled(false);
    m_play->setCursor(Qt::PointingHandCursor);
    m_play->setObjectName(QStringLiteral("play"));
    // Enter plays, and does nothing while PLAY is disabled.
    m_play->setDefault(true);
    connect(m_play, &QPushButton::clicked, this, &Launcher::_onPlay);

    m_progressPanel = new QWidget(this);
    m_progressPanel->hide();

    m_progressBar = new QProgressBar(m_progressPanel);
    m_progressBar->setRange(0, 0);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);

    // The entry the installer's shortcuts name in the current language.
    m_taskbar = new platform::TaskbarProgress(TR::tr("ProductLinkName") + platform::shellLinkSuffix(), this);

    m_progressLabel = new QLabel(m_progressPanel);
    m_progressLabel->setObjectName(QStringLiteral("progress"));
    m_statusLabel = new QLabel(m_progressPanel);
    m_statusLabel->setObjectName(QStringLiteral("status"));

    auto panelLayout = new QGridLayout(m_progressPanel);
    panelLayout->setSpacing(0);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto statusRow = new QHBoxLayout;
    statusRow->setSpacing(12);
    statusRow->addStretch(1);
    statusRow->addWidget(m_statusLabel);
    statusRow->addStretch(1);
    panelLayout->addLayout(statusRow, 0, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    panelLayout->addItem(new QSpacerItem(1, 14, QSizePolicy::Minimum, QSizePolicy::Minimum), 1, 0);
    panelLayout->addWidget(m_progressLabel, 2, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    panelLayout->addItem(new QSpacerItem(1, 28, QSizePolicy::Minimum, QSizePolicy::Minimum), 3, 0);
    panelLayout->addWidget(m_progressBar, 4, 0);

    auto windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(0);
    windowLayout->addWidget(m_header);
    windowLayout->addSpacing(150);
    windowLayout->addWidget(m_logo, 0, Qt::AlignHCenter);
    windowLayout->setSpacing(12);
    windowLayout->addWidget(m_version, 0, Qt::AlignHCenter);
    windowLayout->addStretch(1);
    windowLayout->addWidget(m_progressPanel);

    setFixedSize(kWindowWidth, kWindowHeight);
    layoutBackground(0);
    retranslateUi();
    // The keys go to the window until the user moves on with Tab: Space
    // then presses no button of its own accord, and no link button takes
    // Enter from PLAY.
    setFocus();

    if (installMode) {
        QTimer::singleShot(0, this, &Launcher::_onInstall);
        return;
    }

    AutoUpdate* engine = AutoUpdate::instance();
    connect(engine, &AutoUpdate::updateStart, this, &Launcher::updateStart, Qt::QueuedConnection);
    connect(engine, &AutoUpdate::updateFinish, this, &Launcher::updateFinish, Qt::QueuedConnection);
    connect(engine, &AutoUpdate::updateProgress, this, &Launcher::updateProgress, Qt::QueuedConnection);
    connect(engine, &AutoUpdate::updateContentInstalled, this, &Launcher::updateContentInstalled,
            Qt::QueuedConnection);
    connect(engine, &AutoUpdate::exitAppToUpdate, this, &Launcher::exitAppToUpdate, Qt::QueuedConnection);

    if (m_settings->value(kEulaKey).toInt() == kEulaAccepted)
        startUpdateCheck();
    else
        QTimer::singleShot(0, this, &Launcher::_onAcceptEULA);
}

void Launcher::layoutBackground(int offset)
{
    const QPixmap picture = m_background->pixmap(Qt::ReturnByValue);
    float aspect = 1.0f;
    if (picture.height() > 0)
        aspect = float(picture.width()) / float(picture.height());
    const int scaledWidth = int(float(height()) * aspect);
    const int x0 = (width() - scaledWidth) / 2;
    const int x = offset < x0 ? x0 : qMin(offset, qAbs(x0));
    m_background->lower();
    m_background->setGeometry(x, 0, scaledWidth, height());
}

void Launcher::resizeEvent(QResizeEvent* event)
{
    StyledDialog::resizeEvent(event);
    m_play->move(width() - m_play->width() - kPlayRightMargin, height() - m_play->height() - kPlayBottomMargin);
}

void Launcher::retranslateUi()
{
    m_play->setText(TR::tr("LauncherBtnPlay"));
    updateStart();
    setWindowTitle(TR::tr("ProductName"));
}

bool Launcher::needsExitConfirmation(QString&)
{
    return AutoUpdate::instance()->isRunning();
}

void Launcher::closeDialog()
{
    exitApp();
}

void Launcher::showProgressPanel()
{
    m_progressPanel->show();
    m_taskbar->setVisible(true);
    m_taskbar->setWindow(windowHandle());
}

void Launcher::startUpdateCheck()
{
    showProgressPanel();
    m_progressBar->setRange(0, 0);
    m_taskbar->setRange(0, 0);
    // The window says what it does while the manifest is fetched; the step
    // texts follow with the first progress report of another step.
    m_statusLabel->setText(TR::tr("LauncherUpdateCheck"));
    m_progressLabel->clear();

    AutoUpdate* engine = AutoUpdate::instance();
    engine->start(manifestUrlsFor(*m_settings), true);
    engine->startProgressTimer();
}

void Launcher::saveSettings()
{
    saveLauncherSettings(m_settings);
}

void Launcher::_onAcceptEULA()
{
    if (!showEulaAcceptDialog(this)) {
        QCoreApplication::exit(1);
        return;
    }
    m_settings->setValue(kEulaKey, kEulaAccepted);
    saveSettings();
    startUpdateCheck();
}

void Launcher::_onInstall()
{
    // The acceptance is not stored here: the install dialog writes it into
    // the new installation's settings.
    if (!showEulaAcceptDialog(this)) {
        QCoreApplication::exit(1);
        return;
    }
    InstallDialog dialog(this);
    dialog.setInstallPath(defaultInstallPath());
    dialog.setRequiredSize(kDefaultRequiredSize);
    // The size from the manifest when main's background check has stored
    // one, and again when that check ends while the dialog is open.
    dialog.updateCheckFinished();
    connect(AutoUpdate::instance(), &AutoUpdate::updateFinish, &dialog, &InstallDialog::updateCheckFinished,
            Qt::QueuedConnection);
    QCoreApplication::exit(dialog.exec() == QDialog::Accepted ? 0 : 1);
}

void Launcher::exitApp()
{
    endLauncherProcess(0);
}

void Launcher::exitAppToUpdate()
{
    // The job that handed over to the new copy is at its end.
    releaseEngine(true);
    QCoreApplication::exit(0);
}

void Launcher::_onUpdatePause()
{
    AutoUpdate::instance()->pause();
    m_taskbar->setPaused(true);
}

void Launcher::_onUpdateResume()
{
    AutoUpdate::instance()->resume();
    m_taskbar->setPaused(false);
}

void Launcher::_onPlay()
{
    const QString path = joinPath(gameDirPath(), kGameExecutable);
    const QString language = currentLanguage().replace(QLatin1Char('_'), QLatin1Char('-'));
    const QStringList arguments{QStringLiteral("-region"), QStringLiteral("EN"), QStringLiteral("-locale"), language};
    if (startDetachedQuoted(path, arguments))
        endLauncherProcess(0);

    Log::instance()->critical(QStringLiteral("Failed to start game file: ") + path);
    QMessageBox::critical(this, windowTitle(), TR::tr("ErrGameStartFail"), QMessageBox::Ok, QMessageBox::NoButton);
}

void Launcher::updateStart()
{
    ProductUpdateInfo game;
    if (AutoUpdate::instance()->gameUpdateInfo(game)) {
        const Version version = game.version();
        if (version.isValid()) {
            m_version->setText(TR::tr("LauncherVersion").arg(version.major).arg(version.minor).arg(version.build));
            return;
        }
    }
    m_version->clear();
}

void Launcher::updateProgress(const QString& message, int action, float progress, qlonglong total,
                              qlonglong current, qlonglong rate)
{
    // The timer's last report can be queued behind the job's end: once the
    // job has finished, the panel stays hidden.
    if (m_progressPanel->isHidden())
        return;
    showProgressPanel();
    if (total > 0) {
        const int value = int(qBound(0.0f, progress, 1.0f) * kProgressScale);
        m_progressBar->setRange(0, kProgressScale);
        m_progressBar->setValue(value);
        m_taskbar->setRange(0, kProgressScale);
        m_taskbar->setValue(value);
    } else {
        m_progressBar->setRange(0, 0);
        m_taskbar->setRange(0, 0);
    }

    const char* stepKey = nullptr;
    int decimals = 0;
    switch (action) {
    case ProgressCheckingFiles:
        stepKey = "LauncherProgressCheck";
        break;
    case ProgressDownloading:
        stepKey = "LauncherProgressDownload";
        decimals = 1;
        break;
    case ProgressUnpacking:
        stepKey = "LauncherProgressUnpack";
        break;
    case ProgressInstalling:
        stepKey = "LauncherProgressInstall";
        break;
    default:
        // The manifest check, and anything unknown, leaves the texts alone.
        return;
    }

    if (total <= 0) {
        m_statusLabel->setText(message);
        m_progressLabel->clear();
        return;
    }
    const float percent = progress * 100.0f;
    m_statusLabel->setText(TR::tr(stepKey).arg(double(percent), 0, 'f', decimals));
    if (action != ProgressDownloading) {
        m_progressLabel->clear();
    } else if (rate > 0) {
        m_progressLabel->setText(
            QStringLiteral("%0/%1 (%2)").arg(formatSize(current), formatSize(total), formatRate(rate)));
    } else {
        m_progressLabel->setText(QStringLiteral("%0/%1").arg(formatSize(current), formatSize(total)));
    }
}

void Launcher::updateFinish(int errorCode)
{
    Log::instance()->debug(QStringLiteral("update finish: ") + QString::number(errorCode));
    AutoUpdate::instance()->stopProgressTimer();
    m_progressPanel->hide();
    m_taskbar->setVisible(false);

    if (errorCode == UpdateDone || errorCode == UpdateUpToDate) {
        m_play->setEnabled(true);
        updateStart();
        return;
    }

    // Neither Escape nor the box's close button answers it: the user retries
    // or exits.
    QMessageBox box(QMessageBox::Critical, windowTitle(),
                    TR::tr("UpdateRetryErrMsg").arg(AutoUpdate::errorText(errorCode)), QMessageBox::NoButton, this);
    QPushButton* retry = box.addButton(TR::tr("BtnYes"), QMessageBox::ActionRole);
    QPushButton* exit = box.addButton(TR::tr("BtnExit"), QMessageBox::ActionRole);
    box.setDefaultButton(retry);
    box.exec();
    if (box.clickedButton() == retry)
        startUpdateCheck();
    else if (box.clickedButton() == exit)
        exitApp();
}

void Launcher::updateContentInstalled(const QString& productId, const QString& contentId)
{
    if (productId != kGameProductId)
        return;
    ProductUpdateInfo game;
    if (!AutoUpdate::instance()->gameUpdateInfo(game))
        return;
    for (const UpdateContent& content : game.contents()) {
        if (content.id() != contentId)
            continue;
        const Version version = content.versionTo();
        setInstalledGameVersion(version);
        m_settings->setValue(kInstalledVersionKey, version.toString());
        saveSettings();
        updateStart();
        return;
    }
}
