#include "ui/EulaDialog.h"

#include "core/TR.h"
#include "ui/Buttons.h"
#include "ui/WizardFrame.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// The agreement is published in English only, whatever the interface language.
const QString kEulaLanguage = QStringLiteral("en");

QString g_eulaPathForTests;

QString eulaPath()
{
    if (!g_eulaPathForTests.isEmpty())
        return g_eulaPathForTests;
    return QStringLiteral(":/eula/") + kEulaLanguage;
}

bool readEula(QWidget* parent, QString& text)
{
    QFile file(eulaPath());
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::critical(parent, TR::tr("ProductName"), TR::tr("ErrFailedEulaOpen"), QMessageBox::Ok,
                              QMessageBox::NoButton);
        return false;
    }
    text = QString::fromUtf8(file.readAll());
    return true;
}

int runEulaDialog(QWidget* parent, bool acceptMode)
{
    QString text;
    if (!readEula(parent, text))
        return QDialog::Rejected;
    EulaDialog dialog(parent, text, acceptMode);
    return dialog.exec();
}

} // namespace

EulaDialog::EulaDialog(QWidget* parent, const QString& text, bool acceptMode)
    : StyledDialog(parent)
    , m_acceptMode(acceptMode)
{
    setWindowTitle(TR::tr("LicDlgTitle"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    const WizardFrame frame = buildWizardFrame(this, QStringLiteral("wizard_side_en"));
    frame.side->setScaledContents(true);
    QWidget* body = frame.body;
    QWidget* buttons = frame.buttons;

    auto title = new QLabel(TR::tr("LicDlgTitle"), body);
    title->setObjectName(QStringLiteral("wizard_title"));
    auto eula = new QTextEdit(body);
    eula->setObjectName(QStringLiteral("eula"));
    eula->setReadOnly(true);
    eula->setWordWrapMode(QTextOption::WordWrap);
    eula->setText(text);
    auto bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(34, 34, 12, 34);
    bodyLayout->setSpacing(20);
    bodyLayout->addWidget(title);
    bodyLayout->addWidget(eula);

    auto buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(16, 16, 16, 16);
    buttonLayout->setSpacing(16);
    buttonLayout->addStretch(1);
    if (m_acceptMode) {
        auto accept = new BaseButton(TR::tr("LicDlgBtnAccept"), buttons);
        accept->setDefault(true);
        // It starts with the focus: Enter and Space accept.
        accept->setFocus();
        connect(accept, &QPushButton::clicked, this, &QDialog::accept);
        auto rejectButton = new BaseButton(TR::tr("LicDlgBtnReject"), buttons);
        keepEnterForTheWindowAction(rejectButton);
        connect(rejectButton, &QPushButton::clicked, this, &StyledDialog::reject);
        buttonLayout->addWidget(accept);
        buttonLayout->addWidget(rejectButton);
    } else {
        auto ok = new BaseButton(TR::tr("DlgBtnOK"), buttons);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        buttonLayout->addWidget(ok);
    }

    foldButton()->hide();
    setFixedSize(848, 636);
}

void EulaDialog::retranslateUi()
{
}

bool EulaDialog::needsExitConfirmation(QString&)
{
    return m_acceptMode;
}

bool showEulaAcceptDialog(QWidget* parent)
{
    return runEulaDialog(parent, true) == QDialog::Accepted;
}

void showEulaViewDialog(QWidget* parent)
{
    runEulaDialog(parent, false);
}

void setEulaPathForTests(const QString& path)
{
    g_eulaPathForTests = path;
}
