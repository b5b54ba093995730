#include "update/UpdateInfo.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

UpdateContent content(const char* text)
{
    return UpdateContent(json(text));
}

TEST(UpdateInfo, ValidityAndProductLookup)
{
    UpdateInfo manifest;
    EXPECT_FALSE(manifest.assign(QJsonObject()));
    EXPECT_TRUE(manifest.assign(json(R"({"anything": 0})")));

    ASSERT_TRUE(manifest.assign(json(R"({"qmx": {"version": "1.2.3"}, "qmx_launcher_en": 5})")));
    ProductUpdateInfo product;
    EXPECT_FALSE(manifest.getObject("other", product));
    ASSERT_TRUE(manifest.getObject(kGameProductId, product));
    EXPECT_EQ(product.version(), Version(1, 2, 3));
    EXPECT_TRUE(product.contents().isEmpty());
    ASSERT_TRUE(manifest.getObject(kLauncherProductId, product)); // not an object: an empty product
    EXPECT_TRUE(product.isValid());
    EXPECT_FALSE(product.version().isValid());
}

TEST(UpdateInfo, ContentListKeepsArrayOrder)
{
    ProductUpdateInfo product;
    product.assign(json(R"({"content": [1, {"id": "b"}]})"));
    const QList<UpdateContent> contents = product.contents();
    ASSERT_EQ(contents.size(), 2);
    EXPECT_FALSE(contents.at(0).isValid());
    EXPECT_EQ(contents.at(1).id(), "b");

    product.assign(json(R"({"content": {"id": "b"}})"));
    EXPECT_TRUE(product.contents().isEmpty());
}

TEST(UpdateInfo, ContentGettersFallBack)
{
    const struct {
        const char* json;
        bool full;
        Version from;
        qint64 size;
        bool hasTorrent;
        bool hasHttp;
        int httpCount;
    } cases[] = {
        {R"({"id": "x"})", true, Version(), 0, false, false, 0},
        {R"({"version_from": "", "size": "123"})", true, Version(), 123, false, false, 0},
        {R"({"version_from": "1.2", "size": "12a"})", false, Version(1, 2, 0), 0, false, false, 0},
        {R"({"version_from": "-2.0.0"})", true, Version(-2, 0, 0), 0, false, false, 0},
        {R"({"torrent": "  ", "http": []})", true, Version(), 0, false, false, 0},
        {R"({"torrent": 7, "http": "http://a/x"})", true, Version(), 0, false, false, 0},
        {R"({"torrent": "http://t/x.torrent", "http": [1, "http://a/x"], "size": 99})", true, Version(), 99, true,
         true, 2},
    };
    for (const auto& c : cases) {
        const UpdateContent item = content(c.json);
        EXPECT_EQ(item.isFullPackage(), c.full) << c.json;
        EXPECT_EQ(item.versionFrom(), c.from) << c.json;
        EXPECT_EQ(item.size(), c.size) << c.json;
        EXPECT_EQ(item.hasTorrent(), c.hasTorrent) << c.json;
        EXPECT_EQ(item.hasHttp(), c.hasHttp) << c.json;
        EXPECT_EQ(item.httpUrls().size(), c.httpCount) << c.json;
    }

    const UpdateContent item = content(R"({"torrent": "http://t/x.torrent", "http": [1, "http://a/x"]})");
    EXPECT_EQ(item.httpUrls().at(0), QUrl());
    EXPECT_EQ(item.httpUrls().at(1), QUrl("http://a/x"));
    EXPECT_EQ(item.torrentUrl(), QUrl("http://t/x.torrent"));
    EXPECT_TRUE(content("{}").torrentUrl().isEmpty());
}

QStringList sortedIds(QList<UpdateContent> contents)
{
    std::sort(contents.begin(), contents.end(), lessThan);
    QStringList ids;
    for (const UpdateContent& c : contents)
        ids << c.id();
    return ids;
}

TEST(UpdateInfo, SortsPatchesFirstThenFullPackages)
{
    const QList<UpdateContent> contents = {
        content(R"({"id": "full5", "version_to": "5.0.0"})"),
        content(R"({"id": "p100-110", "version_from": "1.0.0", "version_to": "1.1.0"})"),
        content(R"({"id": "p100-105", "version_from": "1.0.0", "version_to": "1.0.5"})"),
        content(R"({"id": "full4", "version_to": "4.0.0"})"),
        content(R"({"id": "p090-100", "version_from": "0.9.0", "version_to": "1.0.0"})"),
    };
    EXPECT_EQ(sortedIds(contents), QStringList({"p090-100", "p100-105", "p100-110", "full4", "full5"}));

    // Full packages whose invalid "version_from" differ still sort by
    // "version_to" among themselves.
    const QList<UpdateContent> oddFulls = {
        content(R"({"id": "f6", "version_to": "6.0.0"})"),
        content(R"({"id": "f5", "version_from": "-2.0.0", "version_to": "5.0.0"})"),
        content(R"({"id": "f4", "version_from": "x", "version_to": "4.0.0"})"),
        content(R"({"id": "p", "version_from": "1.0.0", "version_to": "2.0.0"})"),
    };
    EXPECT_EQ(sortedIds(oddFulls), QStringList({"p", "f4", "f5", "f6"}));
}

} // namespace
