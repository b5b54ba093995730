#include "core/JsonSettings.h"
#include "core/ProductInfo.h"
#include "core/Version.h"

#include <gtest/gtest.h>

namespace {

TEST(Version, FromString)
{
    const struct {
        QString text;
        Version expected;
    } cases[] = {
        {"4", {4, 0, 0}},
        {"4.1", {4, 1, 0}},
        {"4.0.10174", {4, 0, 10174}},
        {"4..2", {4, 2, 0}},
        {".5", {5, 0, 0}},
        {"-1.2.3", {-1, 2, 3}},
        {"4.0.10174.1", {}},
        {"", {}},
        {"...", {}},
        {"a.b", {}},
        {"4.x.1", {}},
        {"4.99999999999.1", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Version::fromString(c.text), c.expected) << c.text.toStdString();
}

TEST(Version, TextAndOrder)
{
    EXPECT_EQ(Version().toString(), "-1.-1.-1");
    EXPECT_EQ(Version(4, 0, 10174).toString(), "4.0.10174");

    const struct {
        Version low, high;
    } ordered[] = {
        {{4, 0, 9}, {4, 0, 10}},
        {{4, 9, 99}, {4, 10, 0}},
        {{3, 99, 99}, {4, 0, 0}},
        {{}, {0, 0, 0}},
    };
    for (const auto& c : ordered) {
        EXPECT_TRUE(c.low < c.high) << c.low.toString().toStdString();
        EXPECT_FALSE(c.high < c.low);
        EXPECT_NE(c.low, c.high);
    }
    EXPECT_FALSE(Version(1, 2, 3) < Version(1, 2, 3));
    EXPECT_FALSE(Version(0, 0, -1).isValid());
    EXPECT_TRUE(Version(0, 0, 0).isValid());
}

TEST(ProductInfo, LauncherAndGameRecords)
{
    JsonSettings settings;
    const ProductInfo launcher = launcherProductInfo();
    ProductInfo game = gameProductInfo(settings);

    EXPECT_EQ(launcher.company, game.company);
    EXPECT_EQ(launcher.productName, game.productName);
    EXPECT_EQ(launcher.title, game.title);
    EXPECT_EQ(launcher.webSite, game.webSite);
    EXPECT_EQ(launcher.id, "qmx_launcher_en");
    EXPECT_EQ(launcher.appId, "com.qmxgame.qmx_launcher_en");
    EXPECT_EQ(launcher.exeName, "QMXLauncher.exe");
    EXPECT_EQ(launcher.version, Version(4, 0, 10174));
    EXPECT_EQ(game.id, "qmx");
    EXPECT_EQ(game.appId, "com.qmxgame.qmx");
    EXPECT_EQ(game.exeName, "qmx.exe");
    EXPECT_EQ(game.version, Version()); // no "qmx.installed_version"
    EXPECT_EQ(launcher.productDirName(), "Quillmere4");

    settings.setValue("qmx.installed_version", "1.2.3");
    EXPECT_EQ(gameProductInfo(settings).version, Version(1, 2, 3));
    settings.setValue("qmx.installed_version", "garbage");
    EXPECT_EQ(gameProductInfo(settings).version, Version());
}

} // namespace
