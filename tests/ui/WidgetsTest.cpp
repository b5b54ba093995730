#include "core/ProductInfo.h"
#include "tests/ui/UiTest.h"
#include "tests/ui/UrlRecorder.h"
#include "ui/Buttons.h"
#include "ui/Social.h"
#include "ui/Tabs.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolButton>

namespace {

using WidgetsTest = UiTest;

QList<QToolButton*> tabButtons(const Tabs& tabs)
{
    return tabs.findChildren<QToolButton*>(QStringLiteral("tabbtn"));
}

TEST_F(WidgetsTest, TabsLineUpInOrderAndFollowTheirActions)
{
    Tabs tabs;
    QAction game(QStringLiteral("GAME"), nullptr);
    game.setCheckable(true);
    game.setChecked(true);
    QAction news(QStringLiteral("NEWS"), nullptr);
    news.setCheckable(true);
    news.setEnabled(false);
    QAction forum(QStringLiteral("FORUM"), nullptr);
    forum.setCheckable(true);
    tabs.addTab(&game);
    tabs.addTab(&news);
    tabs.addTab(&forum);
    tabs.show();
    settle();

    const QList<QToolButton*> buttons = tabButtons(tabs);
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons[0]->text(), "GAME");
    EXPECT_EQ(buttons[0]->x(), 0); // no outer margin
    for (int i = 1; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i]->x() - buttons[i - 1]->geometry().right() - 1, 25) << i;
    EXPECT_EQ(buttons[0]->cursor().shape(), Qt::PointingHandCursor);

    EXPECT_TRUE(buttons[0]->isChecked());
    EXPECT_FALSE(buttons[1]->isEnabled());
    QTest::mouseClick(buttons[1], Qt::LeftButton);
    EXPECT_FALSE(news.isChecked());
    EXPECT_TRUE(game.isChecked());

    // One group: checking another tab unchecks the first.
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_TRUE(forum.isChecked());
    EXPECT_FALSE(game.isChecked());
    EXPECT_FALSE(buttons[0]->isChecked());

    game.setText(QStringLiteral("PLAY"));
    news.setEnabled(true);
    EXPECT_EQ(buttons[0]->text(), "PLAY");
    EXPECT_TRUE(buttons[1]->isEnabled());
}

TEST_F(WidgetsTest, SocialOpensTheProductPages)
{
    EXPECT_EQ(Social::instance(), Social::instance());

    UrlRecorder browser(QStringLiteral("https"));
    Social* social = Social::instance();
    const struct {
        void (Social::*open)();
        const char* name;
    } pages[] = {
        {&Social::openFB, "openFB"},
        {&Social::openVK, "openVK"},
        {&Social::openYoutube, "openYoutube"},
        {&Social::openHome, "openHome"},
        {&Social::openTwitter, "openTwitter"},
        {&Social::openOK, "openOK"},
        {&Social::openInstagram, "openInstagram"},
        {&Social::openGooglePlus, "openGooglePlus"},
    };
    for (const auto& slot : pages) {
        browser.opened.clear();
        (social->*slot.open)();
        ASSERT_EQ(browser.opened.size(), 1) << slot.name;
        const QUrl url = browser.opened.first();
        EXPECT_TRUE(url.isValid()) << slot.name;
        // Only addresses under the reserved example domain.
        EXPECT_TRUE(url.host() == "example.com" || url.host().endsWith(".example.com")) << slot.name;
    }
    browser.opened.clear();
    social->openHome();
    EXPECT_EQ(browser.opened.value(0), QUrl(defaultProductInfo().webSite));
}

TEST_F(WidgetsTest, HeaderLinkButtonsOpenTheirPages)
{
    UrlRecorder browser(QStringLiteral("https"));
    LauncherHeader header(nullptr, false, nullptr);
    const struct {
        const char* button;
        void (Social::*open)();
    } links[] = {
        {"facebook", &Social::openFB},
        {"youtube", &Social::openYoutube},
        {"home", &Social::openHome},
        {"twitter", &Social::openTwitter},
    };
    for (const auto& link : links) {
        auto button = header.findChild<SocialButton*>(QString::fromLatin1(link.button));
        ASSERT_NE(button, nullptr) << link.button;
        (Social::instance()->*link.open)();
        ASSERT_EQ(browser.opened.size(), 1);
        const QUrl expected = browser.opened.takeFirst();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(browser.opened.value(0), expected) << link.button;
        browser.opened.clear();
    }
}

} // namespace
