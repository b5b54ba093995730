#include "core/JsonSettings.h"
#include "core/Localization.h"
#include "core/TR.h"
#include "tests/support/TestEnvironment.h"

#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

TEST(Localization, OffersOnlySupportedLanguagesFoundInTheResources)
{
    // The resources also hold de, nl and ru, which are never offered.
    EXPECT_EQ(Localization::availableLanguages(), QStringList({"en", "zh_CN"}));
    EXPECT_EQ(supportedLanguages(), QStringList({"en_US", "en", "zh_CN", "zh"}));

    const struct {
        QString code;
        bool valid;
    } cases[] = {
        {"en_US", true}, {"en", true}, {"zh_CN", true},
        {"zh", false},  // no "zh" translation, and "zh" falls back to itself
        {"EN", false},  // the list is compared exactly
        {"de", false},  // present in the resources, not supported
        {"", false},
        {"?!", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isLanguageValid(c.code), c.valid) << c.code.toStdString();

    QFileInfo files[2];
    ASSERT_TRUE(findTranslationFiles("en_US", files));
    EXPECT_EQ(files[0].filePath(), ":/Language/en/translation");
    EXPECT_FALSE(files[1].exists());
    ASSERT_TRUE(findTranslationFiles("de_AT", files));
    EXPECT_EQ(files[1].filePath(), ":/Language/de/qt_translation");
    EXPECT_TRUE(files[1].exists());
    EXPECT_FALSE(findTranslationFiles("zh", files));
}

TEST(Localization, DefaultFromTheSystemLocale)
{
    const struct {
        QString name;
        QStringList uiLanguages;
        QString expected;
    } cases[] = {
        {"zh_CN", {"zh-CN", "en-US"}, "zh_CN"},
        {"en_US", {"en-US", "de-DE"}, "en_US"},
        {"de_DE", {"de-DE", "en-GB"}, "en_US"}, // nothing supported: the fixed default
        {"zh_CN", {"de-DE"}, "zh_CN"},          // the locale name when no UI language fits
        {"fr_FR", {"fr-FR", "en"}, "en"},
        {"", {}, "en_US"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseDefaultLanguage(c.name, c.uiLanguages), c.expected) << c.name.toStdString();
    EXPECT_TRUE(testsupport::logContains("DefaultLocaleName: de_DE; Valid: 0"));
    EXPECT_TRUE(testsupport::logContains("DefaultLocale UI: en-GB"));
}

TEST(Localization, SetLanguageInstallsTranslators)
{
    ASSERT_TRUE(setLanguage("zh_CN"));
    EXPECT_EQ(currentLanguage(), "zh_CN");
    const QString chinese = TR::tr("LauncherBtnPlay");
    EXPECT_NE(chinese, "LauncherBtnPlay");
    EXPECT_NE(chinese, "PLAY");

    ASSERT_TRUE(setLanguage("en_US"));
    EXPECT_EQ(currentLanguage(), "en_US");
    EXPECT_EQ(TR::tr("LauncherBtnPlay"), "PLAY");
    EXPECT_EQ(TR::tr("ErrUpdateFailedMissingOption"), "Update failed: missing option");
    EXPECT_EQ(TR::tr("NoSuchKey"), "NoSuchKey");
    EXPECT_EQ(QLocale().name(), "en_US");

    // A code without a translation changes nothing.
    EXPECT_FALSE(setLanguage("fr"));
    EXPECT_EQ(currentLanguage(), "en_US");
    EXPECT_EQ(TR::tr("LauncherBtnPlay"), "PLAY");

    // Languages that are not offered still load when asked for directly,
    // with Qt's own translation where one is shipped.
    ASSERT_TRUE(setLanguage("de"));
    EXPECT_EQ(TR::tr("BtnYes"), "Ja");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    ASSERT_TRUE(setLanguage("en_US"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

TEST(Localization, StoredChoiceAndSaving)
{
    ASSERT_TRUE(setLanguage("en_US"));
    const struct {
        QVariant stored;
        QString expected;
    } cases[] = {
        {QVariant("de"), "en_US"}, // not supported: ignored
        {QVariant(""), "en_US"},
        {QVariant(), "en_US"},
        {QVariant("zh_CN"), "zh_CN"},
        {QVariant("en"), "en"},
    };
    for (const auto& c : cases) {
        JsonSettings settings;
        if (c.stored.isValid())
            settings.setValue("general.ui_language", c.stored);
        applyLanguageFromSettings(settings);
        EXPECT_EQ(currentLanguage(), c.expected) << c.stored.toString().toStdString();
        setLanguage("en_US");
    }

    setLanguage("zh_CN");
    JsonSettings settings;
    saveLanguageToSettings(settings);
    EXPECT_EQ(settings.value("general.ui_language").toString(), "zh_CN");
}

} // namespace
