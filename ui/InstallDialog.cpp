#include "ui/InstallDialog.h"

#include "core/Format.h"
#include "core/JsonSettings.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProcessUtils.h"
#include "core/ProductInfo.h"
#include "core/SaturatedAdd.h"
#include "core/TR.h"
#include "install/InstallTarget.h"
#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "ui/Buttons.h"
#include "ui/WidgetBlock.h"
#include "ui/WizardFrame.h"
#include "update/AutoUpdate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QStorageInfo>
#include <QVBoxLayout>

namespace {

// What an installation writes into its settings: the licence counts as
// accepted (the install mode always asks for it first).
const int kEulaAcceptedValue = 20171002;

const QString kSizeStyle = QStringLiteral("color: #ffffff; font-size: 14px;");
const QString kSizeTooLargeStyle = QStringLiteral("color: #b23b1e; font-size: 14px;");

} // namespace

InstallDialog::InstallDialog(QWidget* parent)
    : StyledDialog(parent), m_launcherSize(install::launcherFilesSize(appDirPath()))
{
    // Also the name of its task bar entry.
    setWindowTitle(TR::tr("ProductName"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    const WizardFrame frame = buildWizardFrame(this, QStringLiteral("wizard_side_small_en"));
    QWidget* body = frame.body;
    QWidget* buttons = frame.buttons;

    auto title = new QLabel(TR::tr("InstallDlgTitle"), body);
    title->setObjectName(QStringLiteral("wizard_title"));
    auto subtitle = new QLabel(TR::tr("InstallDlgSelectPath"), body);
    subtitle->setObjectName(QStringLiteral("wizard_subtitle"));

    m_sizeLabel = new QLabel(body);
    m_pathLabel = new QLabel(body);
    m_pathLabel->setObjectName(QStringLiteral("wizard_label"));
    m_pathLabel->setWordWrap(true);
    m_pathLabel->setMidLineWidth(5);
    m_errorLabel = new QLabel(body);
    m_errorLabel->setObjectName(QStringLiteral("wizard_label_error"));
    m_errorLabel->setWordWrap(true);

    m_pathButton = new QPushButton(TR::tr("InstallDlgBtnSelect"), body);
    m_pathButton->setObjectName(QStringLiteral("path_btn"));
    m_pathButton->setCursor(Qt::PointingHandCursor);
    keepEnterForTheWindowAction(m_pathButton);
    connect(m_pathButton, &QPushButton::clicked, this, &InstallDialog::selectPath);

    m_desktopBox = new QCheckBox(TR::tr("InstallDlgCreateShortcut"), body);
    m_desktopBox->setChecked(true);
    m_startMenuBox = new QCheckBox(TR::tr("InstallDlgCreateMenu"), body);
    m_startMenuBox->setChecked(true);

    auto grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_sizeLabel, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_pathLabel, 0, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_pathButton, 0, 2, Qt::AlignLeft | Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, 60);
    grid->setColumnMinimumWidth(1, 200);
    grid->setColumnMinimumWidth(2, 100);
    grid->setRowMinimumHeight(0, 100);

    auto pathBlock = new QVBoxLayout;
    pathBlock->setContentsMargins(25, 0, 0, 0);
    pathBlock->addLayout(grid);
    pathBlock->addWidget(m_errorLabel);

    auto bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(34, 34, 34, 34);
    bodyLayout->setSpacing(10);
    bodyLayout->addWidget(title);
    bodyLayout->addSpacing(50);
    bodyLayout->addWidget(subtitle);
    bodyLayout->addLayout(pathBlock);
    bodyLayout->addStretch(1);
    bodyLayout->addWidget(m_desktopBox);
    bodyLayout->addWidget(m_startMenuBox);

    auto buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(16, 16, 16, 16);
    buttonLayout->setSpacing(16);
    buttonLayout->addStretch(1);
    auto installButton = new BaseButton(TR::tr("InstallDlgBtnInstall"), buttons);
    // Enter and Space install, unless the user moves on to another control.
    installButton->setDefault(true);
    installButton->setFocus();
    connect(installButton, &QPushButton::clicked, this, &InstallDialog::install);
    buttonLayout->addWidget(installButton);

    foldButton()->hide();
    setFixedSize(726, 452);
}

// The worker has finished: install() waited for it.
InstallDialog::~InstallDialog() = default;

void InstallDialog::retranslateUi()
{
}

bool InstallDialog::needsExitConfirmation(QString&)
{
    return true;
}

void InstallDialog::setInstallPath(const QString& path)
{
    m_targetPath = install::cleanInstallPath(path);
    m_pathLabel->setText(m_targetPath);
    validatePath();
}

void InstallDialog::setRequiredSize(qint64 bytes)
{
    m_requiredSize = bytes;
    m_sizeLabel->setText(formatSize(neededSize()));
    validatePath();
}

qint64 InstallDialog::neededSize() const
{
    // The launcher's own files go into the folder too.
    return saturatedAdd(m_requiredSize, m_launcherSize);
}

void InstallDialog::updateCheckFinished()
{
    ProductUpdateInfo game;
    if (AutoUpdate::instance()->gameUpdateInfo(game))
        setRequiredSize(game.getInt64(QStringLiteral("size")));
}

void InstallDialog::selectPath()
{
    // The target usually does not exist yet: the picker opens in the
    // nearest folder of it that does; in the home folder when there is
    // none (a file in the way).
    QString start = install::nearestExistingFolder(m_targetPath);
    if (start.isEmpty())
        start = QDir::homePath();
    const QString chosen =
        QFileDialog::getExistingDirectory(this, TR::tr("InstallDlgSelectPathTitle"), start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    m_targetPath = install::cleanInstallPath(chosen);
    m_pathLabel->setText(m_targetPath);
    validatePath();
}

bool InstallDialog::validatePath()
{
    m_errorLabel->clear();
    m_sizeLabel->setStyleSheet(kSizeStyle);

    // The folders of a new installation need not exist yet: the volume is
    // that of the nearest folder above that does, which QStorageInfo finds
    // from any folder on it. A file in the way names no folder.
    const QString existing = install::nearestExistingFolder(m_targetPath);
    const QStorageInfo storage = existing.isEmpty() ? QStorageInfo() : QStorageInfo(existing);
    bool valid = false;
    if (!storage.isValid()) {
        m_errorLabel->setText(TR::tr("InstallDlgErrPathInvalid"));
    } else if (install::examineTargetFolder(m_targetPath) != install::TargetFolder::Usable) {
        // The uninstall would take what carries the launcher's names there.
        m_errorLabel->setText(TR::tr("InstallDlgErrPathNotEmpty"));
    } else if (storage.isReadOnly()) {
        m_errorLabel->setText(TR::tr("InstallDlgErrPathReadonly"));
    } else if (storage.bytesAvailable() <= neededSize()) {
        // Exactly the free space would leave nothing for the launcher's own data.
        m_errorLabel->setText(TR::tr("InstallDlgErrOutOfSpace"));
        m_sizeLabel->setStyleSheet(kSizeTooLargeStyle);
    } else {
        valid = true;
    }

    // A modal child such as the folder picker may just be closing: the
    // fading overlay is to show the new state.
    if (overlay()->isVisible())
        overlay()->updateSnapshot();
    return valid;
}

void InstallDialog::install()
{
    if (!validatePath()) {
        QMessageBox::critical(this, TR::tr("ProductName"), m_errorLabel->text(), QMessageBox::Ok);
        return;
    }

    install::InstallOptions options;
    options.m_createStartMenuItems = m_startMenuBox->isChecked();
    options.m_createQuickLaunchItems = false;
    options.m_createDesktopIcon = m_desktopBox->isChecked();
    options.m_removeUserData = false;
    options.m_path = m_targetPath;
    // An earlier attempt's worker has finished long ago; this replaces it.
    m_worker = std::make_unique<install::InstallWorker>(1, options);
    connect(m_worker.get(), &install::InstallWorker::installFinished, this, &InstallDialog::installFinished,
            Qt::QueuedConnection);

    // The installation is short; the window waits for it without repainting.
    // The result arrives through the event loop right after.
    m_worker->start(QThread::InheritPriority);
    m_worker->wait();
}

void InstallDialog::installFinished(bool success)
{
    if (!success) {
        // The worker has rolled back; the user may change the path or the
        // options and try again.
        QMessageBox::critical(this, g_launcherProduct.title, TR::tr("InstallErrFailed"), QMessageBox::Ok);
        return;
    }

    const QString conf = joinPath(m_targetPath, QStringLiteral("QMXLauncher.conf"));
    JsonSettings settings;
    if (settings.load(conf))
        Log::instance()->info(QStringLiteral("PostInstall: patching existing settings: ") + conf);
    else
        Log::instance()->info(QStringLiteral("PostInstall: creating settings: ") + conf);
    settings.setValue(QStringLiteral("eula_accepted"), kEulaAcceptedValue);
    settings.setValue(QStringLiteral("install_path"), m_targetPath);
    if (!settings.save(conf))
        Log::instance()->critical(QStringLiteral("PostInstall: failed to save settings: ") + conf);

    const QString exe = QDir::toNativeSeparators(joinPath(m_targetPath, g_launcherProduct.exeName));
    if (!startDetachedQuoted(exe, QStringList()))
        Log::instance()->critical(QStringLiteral("PostInstall: failed to start app: ") + exe);

    accept();
    QCoreApplication::exit(0);
}
