#include "ui/LauncherHeader.h"

#include "core/JsonSettings.h"
#include "core/Localization.h"
#include "core/TR.h"
#include "ui/Buttons.h"
#include "ui/EulaDialog.h"
#include "ui/Social.h"
#include "ui/Tabs.h"

#include <QAction>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QMenu>
#include <QVBoxLayout>

namespace {

QString g_systemLanguageForTests;

QString systemLanguage()
{
    if (!g_systemLanguageForTests.isEmpty())
        return g_systemLanguageForTests;
    return systemDefaultLanguage();
}

// Each language is named in itself, so that anyone can find their own.
QString languageLabel(const QString& code)
{
    if (code == QLatin1String("en_US") || code == QLatin1String("en"))
        return QStringLiteral("English");
    QString name = QLocale(code).nativeLanguageName();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

SocialButton* linkButton(QWidget* parent, const QString& name, void (Social::*open)())
{
    auto button = new SocialButton(parent);
    button->setObjectName(name);
    button->setCursor(Qt::PointingHandCursor);
    keepEnterForTheWindowAction(button);
    QObject::connect(button, &QPushButton::clicked, Social::instance(), open);
    return button;
}

} // namespace

LauncherHeader::LauncherHeader(QWidget* parent, bool withLanguageMenu, IProgramSettings* settings)
    : QFrame(parent)
    , m_settings(settings)
{
    // Created in this order for the keyboard focus chain; laid out below in another.
    m_facebookButton = linkButton(this, QStringLiteral("facebook"), &Social::openFB);
    m_youtubeButton = linkButton(this, QStringLiteral("youtube"), &Social::openYoutube);
    m_homeButton = linkButton(this, QStringLiteral("home"), &Social::openHome);
    m_twitterButton = linkButton(this, QStringLiteral("twitter"), &Social::openTwitter);

    m_settingsButton = new SocialButton(this);
    m_settingsButton->setObjectName(QStringLiteral("settings"));
    m_settingsButton->setCursor(Qt::PointingHandCursor);
    keepEnterForTheWindowAction(m_settingsButton);

    auto menu = new QMenu(this);
    m_eulaAction = new QAction(this);
    connect(m_eulaAction, &QAction::triggered, this, &LauncherHeader::_onShowEULA);
    menu->addAction(m_eulaAction);
    if (withLanguageMenu) {
        m_languageMenu = new QMenu(this);
        connect(m_languageMenu, &QMenu::aboutToShow, this, &LauncherHeader::_onLanguageMenuShown);
        menu->addMenu(m_languageMenu);
    }
    menu->addSeparator();
    m_exitAction = new QAction(this);
    if (auto host = qobject_cast<QDialog*>(parent))
        connect(m_exitAction, &QAction::triggered, host, &QDialog::reject);
    menu->addAction(m_exitAction);
    m_settingsButton->setMenu(menu);

    m_tabs = new Tabs(this);
    m_gameAction = new QAction(TR::tr("HeaderGame"), this);
    m_gameAction->setCheckable(true);
    m_gameAction->setChecked(true);
    m_newsAction = new QAction(TR::tr("HeaderNews"), this);
    m_newsAction->setCheckable(true);
    m_newsAction->setEnabled(false);
    m_tabs->addTab(m_gameAction);
    m_tabs->addTab(m_newsAction);

    auto links = new QHBoxLayout;
    links->setContentsMargins(0, 0, 0, 0);
    links->setSpacing(12);
    links->addWidget(m_homeButton);
    links->addWidget(m_youtubeButton);
    links->addWidget(m_facebookButton);
    links->addWidget(m_twitterButton);
    links->addSpacing(12);
    links->addWidget(m_settingsButton);

    auto right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addStretch(1);
    right->addLayout(links);
    right->addSpacing(18);

    auto left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addStretch(1);
    left->addWidget(m_tabs);

    auto layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 3);
    layout->setSpacing(0);
    layout->addSpacing(25);
    layout->addLayout(left);
    layout->addStretch(1);
    layout->addLayout(right);
    layout->addSpacing(12);

    retranslateUi();
}

void LauncherHeader::retranslateUi()
{
    m_settingsButton->setToolTip(TR::tr("MenuSettings"));
    m_eulaAction->setText(TR::tr("MenuEula"));
    m_exitAction->setText(TR::tr("MenuExit"));
    if (m_languageMenu)
        m_languageMenu->setTitle(TR::tr("MenuLanguage"));
    m_gameAction->setText(TR::tr("HeaderGame"));
    m_newsAction->setText(TR::tr("HeaderNews"));
    m_facebookButton->setToolTip(TR::tr("LinkFacebook"));
    m_youtubeButton->setToolTip(TR::tr("LinkYoutube"));
    m_twitterButton->setToolTip(TR::tr("LinkTwitter"));
    m_homeButton->setToolTip(TR::tr("LinkWeb"));
}

void LauncherHeader::setSystemLanguageForTests(const QString& code)
{
    g_systemLanguageForTests = code;
}

void LauncherHeader::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QFrame::changeEvent(event);
}

void LauncherHeader::_onShowEULA()
{
    showEulaViewDialog(this);
}

void LauncherHeader::_onLanguageMenuShown()
{
    if (!m_languageMenu)
        return;
    m_languageMenu->clear();

    // The system's own language goes first, in the exact form the system
    // gives it ("en_US" rather than "en").
    QStringList codes = Localization::availableLanguages();
    const QString system = systemLanguage();
    codes.removeOne(system.section(QLatin1Char('_'), 0, 0));
    codes.removeOne(system);
    if (supportedLanguages().contains(system))
        codes.prepend(system);

    const QString current = currentLanguage();
    for (const QString& code : qAsConst(codes)) {
        QAction* action = m_languageMenu->addAction(languageLabel(code));
        action->setCheckable(true);
        action->setChecked(code == current);
        action->setData(code);
        connect(action, &QAction::triggered, this, &LauncherHeader::_onLanguageSet);
    }
}

void LauncherHeader::_onLanguageSet(bool checked)
{
    // Clicking the entry that is already checked unchecks it: nothing to do.
    if (!checked)
        return;
    auto action = qobject_cast<QAction*>(sender());
    const QString code = action ? action->data().toString() : QString();
    if (code.isEmpty())
        return;

    // Installing the translation sends LanguageChange to every window.
    setLanguage(code);
    if (!m_settings)
        return;
    saveLanguageToSettings(*m_settings);
    saveLauncherSettings(m_settings);
}
