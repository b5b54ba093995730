// The shared part of the client interface, over a stand-in connection.

#include "net/HttpConnection.h"
#include "tests/support/TestEnvironment.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class CannedConnection : public net::HttpConnection
{
public:
    bool connect(const QString& host, quint16 port) override
    {
        connectedHost = host;
        connectedPort = port;
        return true;
    }
    bool close() override { return true; }
    bool download(const QUrl&, const QString&, const net::HttpHeaders&) override { return false; }
    bool get(const QUrl&, QByteArray* out, const net::HttpHeaders&) override
    {
        if (!getSucceeds)
            return false;
        *out = body;
        return true;
    }
    bool post(const QUrl&, const QByteArray&, QByteArray*, const net::HttpHeaders&) override { return false; }
    int statusCode() override { return -1; }
    qint64 contentLength() override { return -1; }
    int read(QIODevice*, int) override { return -1; }
    QString userAgent() override { return QString(); }
    void setUserAgent(const QString&) override {}

    bool getSucceeds = true;
    QByteArray body;
    QString connectedHost;
    int connectedPort = -1;
};

TEST(HttpConnection, GetJsonJudgesOnlyTheSyntax)
{
    const struct {
        const char* body;
        bool getSucceeds;
        bool ok;
        QJsonObject object;
    } cases[] = {
        {R"({"version": "1.2.3"})", true, true, QJsonObject{{"version", "1.2.3"}}},
        {"[1, 2]", true, true, QJsonObject()}, // an array is no object: empty, and the caller judges
        {"<html>not json</html>", true, false, QJsonObject()},
        {"", true, false, QJsonObject()},
        {"{}", false, false, QJsonObject()}, // transport failure: no message of its own
    };
    for (const auto& c : cases) {
        testsupport::clearLog();
        CannedConnection connection;
        connection.body = c.body;
        connection.getSucceeds = c.getSucceeds;
        const QJsonObject untouched{{"untouched", true}};
        QJsonObject out = untouched;
        EXPECT_EQ(connection.getJson(QUrl("http://example.invalid/m.json"), &out, {}), c.ok) << c.body;
        EXPECT_EQ(out, c.ok ? c.object : untouched) << c.body;

        const QStringList lines = testsupport::logLines();
        if (c.ok || !c.getSucceeds) {
            EXPECT_TRUE(lines.isEmpty()) << c.body;
        } else {
            ASSERT_EQ(lines.size(), 1) << c.body;
            EXPECT_TRUE(lines[0].startsWith("crit")) << lines[0].toStdString();
            // "json decode failed: <code>; <Qt's text>" with a non-zero code
            const QRegularExpression line("json decode failed: ([1-9][0-9]*); \\S");
            EXPECT_TRUE(line.match(lines[0]).hasMatch()) << lines[0].toStdString();
        }
    }
}

TEST(HttpConnection, ConnectToUrlDefaultsToPort80WhateverTheScheme)
{
    const struct {
        const char* url;
        const char* host;
        int port;
    } cases[] = {
        {"https://mirror.example/update.json", "mirror.example", 80},
        {"http://mirror.example:8080/x", "mirror.example", 8080},
        {"http://[::1]:81/", "::1", 81},
    };
    for (const auto& c : cases) {
        CannedConnection connection;
        EXPECT_TRUE(connection.connectToUrl(QUrl(c.url)));
        EXPECT_EQ(connection.connectedHost, c.host) << c.url;
        EXPECT_EQ(connection.connectedPort, c.port) << c.url;
    }
}

TEST(HttpConnection, FormatHeaders)
{
    EXPECT_EQ(net::formatHeaders({}), QString());
    EXPECT_EQ(net::formatHeaders({{"A", "b"}}), QString("A: b\n"));

    const net::HttpHeaders two{{"Range", "bytes=0-9"}, {"X-Id", "7"}};
    const QString text = net::formatHeaders(two);
    EXPECT_EQ(text.count('\n'), 2);
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_TRUE(text.contains("Range: bytes=0-9\n"));
    EXPECT_TRUE(text.contains("X-Id: 7\n"));
}

} // namespace
