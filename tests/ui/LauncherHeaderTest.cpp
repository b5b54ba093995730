#include "core/JsonSettings.h"
#include "core/Paths.h"
#include "core/TR.h"
#include "tests/support/ModalSteps.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/UiTest.h"
#include "tests/ui/UrlRecorder.h"
#include "ui/Buttons.h"
#include "ui/Tabs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using testsupport::ModalSteps;
using testsupport::pressKey;

using LauncherHeaderTest = UiTest;

QMenu* settingsMenu(const LauncherHeader& header)
{
    return header.findChild<SocialButton*>(QStringLiteral("settings"))->menu();
}

QMenu* languageMenu(const LauncherHeader& header)
{
    for (QAction* action : settingsMenu(header)->actions()) {
        if (action->menu())
            return action->menu();
    }
    return nullptr;
}

// The entries as the user sees them when the submenu opens.
QList<QAction*> openLanguageMenu(const LauncherHeader& header)
{
    QMenu* menu = languageMenu(header);
    if (!menu)
        return {};
    emit menu->aboutToShow();
    return menu->actions();
}

QAction* entry(const LauncherHeader& header, const QString& code)
{
    for (QAction* action : openLanguageMenu(header)) {
        if (action->data().toString() == code)
            return action;
    }
    ADD_FAILURE() << "no language entry " << code.toStdString();
    return nullptr;
}

QString toolTip(const LauncherHeader& header, const char* button)
{
    return header.findChild<SocialButton*>(QString::fromLatin1(button))->toolTip();
}

QStringList tabTexts(const LauncherHeader& header)
{
    QStringList texts;
    for (QToolButton* tab : header.findChildren<QToolButton*>(QStringLiteral("tabbtn")))
        texts << tab->text();
    return texts;
}

QStringList menuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("--") : action->text());
    return texts;
}

TEST_F(LauncherHeaderTest, TextsFollowTheLanguage)
{
    ProbeDialog host;
    auto header = new LauncherHeader(&host, true, nullptr);
    host.show();

    const struct {
        const char* code;
        QStringList menu;
        QString language;
        QStringList tabs;
        QStringList tips; // settings, facebook, youtube, twitter, home
    } cases[] = {
        {"en_US", {"Show EULA...", "Language", "--", "Exit"}, "Language", {"GAME", "NEWS"},
         {"Settings", "Facebook", "YouTube", "Twitter", "Web"}},
        {"zh_CN", {"查看许可协议...", "语言", "--", "退出"}, "语言", {"游戏", "新闻"},
         {"设置", "Facebook", "YouTube", "Twitter", "官网"}},
        {"de", {"EULA anzeigen...", "Sprache", "--", "Beenden"}, "Sprache", {"SPIEL", "NEUIGKEITEN"},
         {"Einstellungen", "Facebook", "YouTube", "Twitter", "Website"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_TRUE(setLanguage(QString::fromLatin1(c.code)));
        settle();
        EXPECT_EQ(menuTexts(settingsMenu(*header)), c.menu);
        EXPECT_EQ(languageMenu(*header)->title(), c.language);
        EXPECT_EQ(tabTexts(*header), c.tabs);
        const QStringList tips = {toolTip(*header, "settings"), toolTip(*header, "facebook"),
                                  toolTip(*header, "youtube"), toolTip(*header, "twitter"), toolTip(*header, "home")};
        EXPECT_EQ(tips, c.tips);
    }

    // GAME is the checked tab; NEWS cannot be chosen.
    const QList<QToolButton*> tabs = header->findChildren<QToolButton*>(QStringLiteral("tabbtn"));
    ASSERT_EQ(tabs.size(), 2);
    EXPECT_TRUE(tabs[0]->isChecked());
    EXPECT_FALSE(tabs[1]->isEnabled());
    QTest::mouseClick(tabs[1], Qt::LeftButton);
    EXPECT_TRUE(tabs[0]->isChecked());
    EXPECT_FALSE(tabs[1]->isChecked());
}

TEST_F(LauncherHeaderTest, LanguageMenuPutsTheSystemLanguageFirst)
{
    // The compiled-in languages offered are "en" and "zh_CN", in that order.
    ASSERT_EQ(Localization::availableLanguages(), QStringList({"en", "zh_CN"}));
    const QString chinese = QStringLiteral("简体中文");
    const struct {
        const char* system;
        const char* current;
        QStringList codes;
        QStringList labels;
        int checked; // -1: none
    } cases[] = {
        {"zh_CN", "zh_CN", {"zh_CN", "en"}, {chinese, "English"}, 0},
        {"zh_CN", "en_US", {"zh_CN", "en"}, {chinese, "English"}, -1},
        {"en_US", "en_US", {"en_US", "zh_CN"}, {"English", chinese}, 0},
        {"en_US", "en", {"en_US", "zh_CN"}, {"English", chinese}, -1},
        {"en", "en", {"en", "zh_CN"}, {"English", chinese}, 0},
        // Not a supported language: the list stays as it is.
        {"de_DE", "en", {"en", "zh_CN"}, {"English", chinese}, 0},
    };
    ProbeDialog host;
    LauncherHeader header(&host, true, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.system << " / " << c.current);
        LauncherHeader::setSystemLanguageForTests(QString::fromLatin1(c.system));
        ASSERT_TRUE(setLanguage(QString::fromLatin1(c.current)));
        // Opened twice: rebuilt from scratch, never added to.
        openLanguageMenu(header);
        const QList<QAction*> entries = openLanguageMenu(header);
        QStringList codes;
        QStringList labels;
        int checked = -1;
        for (int i = 0; i < entries.size(); ++i) {
            codes << entries[i]->data().toString();
            labels << entries[i]->text();
            EXPECT_TRUE(entries[i]->isCheckable());
            if (entries[i]->isChecked()) {
                EXPECT_EQ(checked, -1) << "two entries checked";
                checked = i;
            }
        }
        EXPECT_EQ(codes, c.codes);
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(checked, c.checked);
    }
}

TEST_F(LauncherHeaderTest, WithoutLanguageMenuOnlyEulaAndExit)
{
    LauncherHeader header(nullptr, false, nullptr);
    EXPECT_EQ(menuTexts(settingsMenu(header)), QStringList({"Show EULA...", "--", "Exit"}));
    EXPECT_EQ(languageMenu(header), nullptr);
}

// A second window, as the main window would be beside the header's host.
class OtherWindow : public ProbeDialog
{
public:
    OtherWindow()
    {
        label = new QLabel(this);
        onRetranslate = [this] { label->setText(TR::tr("LicDlgTitle")); };
        retranslateUi();
    }
    QLabel* label;
};

TEST_F(LauncherHeaderTest, ChoosingALanguageSwitchesEveryWindowAndSavesIt)
{
    LauncherHeader::setSystemLanguageForTests(QStringLiteral("en_US"));
    JsonSettings settings;
    settings.setValue(QStringLiteral("eula_accepted"), 20171002);
    ProbeDialog host;
    auto header = new LauncherHeader(&host, true, &settings);
    (new QVBoxLayout(&host))->addWidget(header);
    OtherWindow other;
    host.show();
    other.show();
    settle();
    ASSERT_EQ(other.label->text(), "License agreement");

    QAction* chinese = entry(*header, QStringLiteral("zh_CN"));
    ASSERT_NE(chinese, nullptr);
    chinese->trigger();
    settle();

    EXPECT_EQ(currentLanguage(), "zh_CN");
    EXPECT_EQ(tabTexts(*header), QStringList({"游戏", "新闻"}));
    EXPECT_EQ(other.label->text(), "许可协议");
    EXPECT_GE(host.retranslations, 1);

    JsonSettings saved;
    ASSERT_TRUE(saved.load(launcherConfigPath()));
    EXPECT_EQ(saved.value(QStringLiteral("general.ui_language")).toString(), "zh_CN");
    EXPECT_EQ(saved.value(QStringLiteral("eula_accepted")).toInt(), 20171002);

    // The entry of the language in use is checked; choosing it again does nothing.
    QFile::remove(launcherConfigPath());
    const int retranslations = other.retranslations;
    QAction* current = entry(*header, QStringLiteral("zh_CN"));
    ASSERT_NE(current, nullptr);
    ASSERT_TRUE(current->isChecked());
    current->trigger();
    settle();
    EXPECT_EQ(currentLanguage(), "zh_CN");
    EXPECT_FALSE(QFile::exists(launcherConfigPath()));
    EXPECT_EQ(other.retranslations, retranslations);

    // A choice that cannot be saved (a folder stands where the settings
    // file goes) still switches, and says once that it was not stored.
    QDir().mkpath(launcherConfigPath() + "/in the way");
    testsupport::clearLog();
    QAction* english = entry(*header, QStringLiteral("en_US"));
    ASSERT_NE(english, nullptr);
    english->trigger();
    settle();
    EXPECT_EQ(currentLanguage(), "en_US");
    const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
    ASSERT_EQ(criticals.size(), 1);
    EXPECT_TRUE(criticals[0].endsWith("failed to save settings: " + launcherConfigPath())) << criticals[0].toStdString();
}

TEST_F(LauncherHeaderTest, SettingsMenuShowsTheEulaAndExitsTheHost)
{
    ProbeDialog host;
    auto header = new LauncherHeader(&host, true, nullptr);
    host.show();
    const QList<QAction*> actions = settingsMenu(*header)->actions();
    ASSERT_EQ(actions.size(), 4);

    QString shown;
    QWidget* parent = nullptr;
    ModalSteps script({
        [&](QWidget* dialog) {
            shown = dialog->metaObject()->className();
            parent = dialog->parentWidget();
            EXPECT_EQ(dialog->findChildren<BaseButton*>().size(), 1); // read-only: OK alone
            pressKey(Qt::Key_Escape)(dialog);
        },
    });
    actions[0]->trigger();
    EXPECT_EQ(script.done(), 1);
    EXPECT_EQ(shown, "EulaDialog");
    EXPECT_EQ(parent, header);
    EXPECT_TRUE(host.isVisible());

    actions[3]->trigger(); // Exit: the host's own close, with its own rules
    EXPECT_EQ(host.closes, 1);
    EXPECT_FALSE(host.isVisible());
}

// The keyboard reaches every button of the header with Tab, and Space
// presses the one it is on; Enter stays with the host's own action.
TEST_F(LauncherHeaderTest, TabReachesEveryButtonAndEnterStaysWithTheHost)
{
    UrlRecorder browser(QStringLiteral("https"));
    ProbeDialog host;
    auto layout = new QVBoxLayout(&host);
    layout->addWidget(new LauncherHeader(&host, true, nullptr));
    auto action = new BaseButton(QStringLiteral("PLAY"), &host);
    action->setObjectName(QStringLiteral("action"));
    action->setDefault(true);
    layout->addWidget(action);
    int pressed = 0;
    QObject::connect(action, &QPushButton::clicked, [&] { ++pressed; });
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    host.setFocus();

    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    QStringList reached;
    for (int i = 0; i < 7; ++i) {
        press(Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    // The disabled NEWS tab is left out.
    EXPECT_EQ(reached, QStringList({"facebook", "youtube", "home", "twitter", "settings", "tabbtn", "action"}));

    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget()->objectName(), "youtube");
    press(Qt::Key_Space);
    ASSERT_EQ(browser.opened.size(), 1);
    press(Qt::Key_Return);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(browser.opened.size(), 1);
}

} // namespace
