#include "tests/ui/UiTest.h"
#include "ui/Buttons.h"
#include "ui/Tabs.h"

#include <QAction>
#include <QFile>
#include <QFontInfo>
#include <QImageReader>
#include <QToolButton>

namespace {

QByteArray readResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Look, FontsStandInForTheFamiliesTheLookNames)
{
    loadFonts();
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Myriad Pro"))).family(), "PT Sans");
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Myriad Pro Cond"))).family(), "PT Sans Narrow");

    // The tab buttons get the condensed face through the style sheet.
    loadStyleSheet();
    Tabs tabs;
    QAction action(QStringLiteral("GAME"), nullptr);
    tabs.addTab(&action);
    auto button = tabs.findChild<QToolButton*>(QStringLiteral("tabbtn"));
    ASSERT_NE(button, nullptr);
    button->ensurePolished();
    EXPECT_EQ(QFontInfo(button->font()).family(), "PT Sans Narrow");
    EXPECT_EQ(button->font().pixelSize(), 24);

    EXPECT_TRUE(readResource(QStringLiteral(":/fonts/LICENSE")).contains("ParaType Ltd grants you the right to use"));
}

TEST(Look, PicturesHaveTheirFormatsAndSizes)
{
    const struct {
        const char* path;
        const char* format;
        QSize size;
    } pictures[] = {
        {":/splash", "jpeg", {1184, 720}},
        {":/logo_en", "png", {239, 262}},
        {":/icon", "png", {256, 256}},
        {":/header_bgrd", "png", {1184, 97}},
        {":/settings_n", "png", {22, 22}},
        {":/settings_h", "png", {22, 22}},
        {":/social_fb_n", "png", {22, 22}},
        {":/social_fb_h", "png", {22, 22}},
        {":/social_yt_n", "png", {22, 22}},
        {":/social_yt_h", "png", {22, 22}},
        {":/social_home_n", "png", {22, 22}},
        {":/social_home_h", "png", {22, 22}},
        {":/social_tw_n", "png", {22, 22}},
        {":/social_tw_h", "png", {22, 22}},
        {":/close_btn_n", "png", {18, 18}},
        {":/close_btn_h", "png", {18, 18}},
        {":/fold_btn_n", "png", {18, 18}},
        {":/fold_btn_h", "png", {18, 18}},
        {":/wizard_side_bgrd_en", "jpeg", {218, 633}},
        {":/wizard_side_small_bgrd_en", "jpeg", {218, 450}},
        {":/cb_check", "png", {14, 14}},
        {":/cb_uncheck", "png", {14, 14}},
        {":/cb_hover", "png", {14, 14}},
    };
    for (const auto& picture : pictures) {
        QImageReader reader(QString::fromLatin1(picture.path));
        EXPECT_EQ(reader.format(), picture.format) << picture.path;
        EXPECT_EQ(reader.size(), picture.size) << picture.path;
        EXPECT_FALSE(reader.read().isNull()) << picture.path;
    }
}

TEST(Look, EulaIsUtf8TextOfTheProduct)
{
    const QByteArray eula = readResource(QStringLiteral(":/eula/en"));
    const QString text = QString::fromUtf8(eula);
    EXPECT_EQ(text.toUtf8(), eula); // no invalid sequences
    EXPECT_TRUE(text.contains(QStringLiteral("Quillmere 4")));
    EXPECT_TRUE(text.contains(QStringLiteral("Ostrevan")));
}

// Type selectors only match classes with their own meta-object; a missing
// Q_OBJECT would silently give a widget the look of its base class.
TEST(Look, StyleSheetReachesEveryStyledClass)
{
    loadStyleSheet();
    EXPECT_TRUE(qApp->styleSheet().contains(QStringLiteral("StyledButton#play")));

    SystemButton system;
    SocialButton social;
    BaseButton base;
    StyledButton play;
    play.setObjectName(QStringLiteral("play"));
    LauncherHeader header(nullptr, false, nullptr);
    const struct {
        QWidget* widget;
        QSize minimum;
        QSize maximum;
    } cases[] = {
        {&system, {18, 18}, {18, 18}},
        {&social, {22, 22}, {22, 22}},
        {&base, {126, 35}, {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX}}, // 124 x 33 inside a 1 px border
        {&play, {0, 46}, {QWIDGETSIZE_MAX, 46}},
        {&header, {0, 97}, {QWIDGETSIZE_MAX, 97}},
    };
    for (const auto& c : cases) {
        c.widget->ensurePolished();
        const char* name = c.widget->metaObject()->className();
        EXPECT_EQ(c.widget->minimumHeight(), c.minimum.height()) << name;
        EXPECT_EQ(c.widget->maximumSize(), c.maximum) << name;
        if (c.minimum.width() > 0) {
            EXPECT_EQ(c.widget->minimumWidth(), c.minimum.width()) << name;
        }
    }
}

} // namespace
