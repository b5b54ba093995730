// The client against a local test server on 127.0.0.1.

#include "net/HttpConnectionWin.h"
#include "net/IHttpProgress.h"
#include "platform/Http.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestHttpServer.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using testsupport::TestHttpServer;

// The bytes the test server generates for a "body_size" rule.
QByteArray pattern(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

// A port on 127.0.0.1 that nothing listens on.
quint16 closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class ProgressLog : public net::IHttpProgress
{
public:
    void httpProgress(net::HttpConnection*, qint64 total, qint64 current) override
    {
        totals.append(total);
        currents.append(current);
    }
    QList<qint64> totals;
    QList<qint64> currents;
};

class HttpConnectionWinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The tests talk to 127.0.0.1 directly, whatever the machine's proxy.
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy",
                                 "NO_PROXY"})
            qunsetenv(name);
        QDir().mkpath(testsupport::rootDir() + "/Update");
    }

    void TearDown() override
    {
        platform::setHttpTimeoutForTests(platform::HttpTimeout::Receive, 0);
        platform::setHttpExtraCaFileForTests(QString());
    }

    QString downloadPath() const { return testsupport::rootDir() + "/Update/content.7z"; }
};

TEST_F(HttpConnectionWinTest, ResponsesThroughGetAndDownload)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    platform::setHttpTimeoutForTests(platform::HttpTimeout::Receive, 500);

    const struct {
        const char* name;
        QJsonObject rule;
        bool ok;
        qint64 size; // of the generated body on success
        const char* logged;
    } cases[] = {
        {"with length", {{"body_size", 5000}}, true, 5000, "http::contentLen: 5000"},
        {"without length", {{"body_size", 5000}, {"length", "none"}}, true, 5000, "HttpQueryInfo1 failed: 12150"},
        {"chunked", {{"body_size", 300000}, {"chunked", true}}, true, 300000, "http::contentLen: -1"},
        {"empty", {{"body_size", 0}}, true, 0, "http::contentLen: 0"},
        {"redirect", {{"redirect", "/hop2"}}, true, 5000, "http::contentLen: 5000"},
        {"not found", {{"status", 404}, {"body", "<h1>missing</h1>"}}, false, 0, "http status: 404"},
        {"server error", {{"status", 500}, {"body", "<h1>oops</h1>"}}, false, 0, "http status: 500"},
        {"redirect loop", {{"redirect", "/case"}}, false, 0, "HttpSendRequest failed: 12156"},
        {"dropped", {{"body_size", 100000}, {"drop_after", 50000}}, false, 0, "InternetReadFile failed: 12030"},
        {"dropped chunked", {{"body_size", 100000}, {"drop_after", 50000}, {"chunked", true}}, false, 0,
         "InternetReadFile failed: 12030"},
        {"shorter than declared", {{"body_size", 3000}, {"declared_length", 5000}}, false, 0,
         "InternetReadFile failed: 12030"},
        {"stalled", {{"body_size", 10000}, {"stall_after", 3000}, {"stall_seconds", 10}}, false, 0,
         "InternetReadFile failed: 12002"},
        // libcurl reads a redirect's body before it follows it.
        {"redirect whose body stalls",
         {{"redirect", "/target"}, {"body_size", 10000}, {"stall_after", 100}, {"stall_seconds", 10}}, false, 0,
         "HttpSendRequest failed: 12002"},
        {"redirect without a place",
         {{"redirect", ""}, {"body_size", 10000}, {"stall_after", 100}, {"stall_seconds", 10}}, false, 0,
         "http status: 302"},
    };
    server.setRule("/hop2", {{"redirect", "/target"}});
    server.setRule("/target", {{"body_size", 5000}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setRule("/case", c.rule);

        testsupport::clearLog();
        QByteArray body = "stale";
        EXPECT_EQ(net::createHttpConnection()->get(server.url("/case"), &body, {}), c.ok);
        EXPECT_TRUE(testsupport::logContains(c.logged));
        if (c.ok) {
            EXPECT_EQ(body, pattern(c.size));
        }

        testsupport::clearLog();
        testsupport::writeFile(downloadPath(), "an older file");
        EXPECT_EQ(net::createHttpConnection()->download(server.url("/case"), downloadPath(), {}), c.ok);
        if (c.ok) {
            EXPECT_EQ(testsupport::readFile(downloadPath()), pattern(c.size));
        } else {
            EXPECT_TRUE(testsupport::logContains(c.logged));
        }
        if (testsupport::logContains("InternetReadFile failed")) {
            EXPECT_FALSE(QFileInfo::exists(downloadPath())); // no partial file left
        }
    }
}

// A server that keeps a transfer alive with a byte now and then, each
// before the receive time-out runs out, fails it as a silent one does once
// a whole time-out has brought less than a byte per second; a slow but
// steady body is never cut. The time-out is 3 s here, 60 s in the product.
TEST_F(HttpConnectionWinTest, ATricklingBodyFailsAsASilentOneDoes)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    platform::setHttpTimeoutForTests(platform::HttpTimeout::Receive, 3000);
    const struct {
        const char* name;
        QJsonObject rule;
        bool ok;
    } cases[] = {
        {"a byte every two seconds", {{"body_size", 20}, {"rate", 0.5}}, false},
        {"three kilobytes a second", {{"body_size", 12000}, {"rate", 3000}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setRule("/case", c.rule);
        const qint64 size = qint64(c.rule.value("body_size").toDouble());

        testsupport::clearLog();
        QByteArray body;
        EXPECT_EQ(net::createHttpConnection()->get(server.url("/case"), &body, {}), c.ok);
        EXPECT_EQ(testsupport::logContains("InternetReadFile failed: 12002"), !c.ok);
        EXPECT_EQ(body, c.ok ? pattern(size) : QByteArray());

        testsupport::clearLog();
        EXPECT_EQ(net::createHttpConnection()->download(server.url("/case"), downloadPath(), {}), c.ok);
        EXPECT_EQ(testsupport::logContains("InternetReadFile failed: 12002"), !c.ok);
        if (c.ok) {
            EXPECT_EQ(testsupport::readFile(downloadPath()), pattern(size));
        } else {
            EXPECT_FALSE(QFileInfo::exists(downloadPath()));
        }
    }
}

TEST_F(HttpConnectionWinTest, TransportFailures)
{
    const quint16 port = closedPort();

    const struct {
        QUrl url;
        QStringList logged; // the whole log of the get
    } cases[] = {
        {QUrl(QString("http://127.0.0.1:%1/x").arg(port)),
         {"http://127.0.0.1:" + QString::number(port) + "/x", "HttpSendRequest failed: 12029",
          "http::sendRequest failed"}},
        {QUrl("http://launcher-test.invalid/x"),
         {"http://launcher-test.invalid/x", "HttpSendRequest failed: 12007", "http::sendRequest failed"}},
        // Refused before any network call, with no message of their own.
        {QUrl("http://127.0.0.1:0/x"), {"http://127.0.0.1:0/x", "http::sendRequest failed"}},
        {QUrl(), {"", "http::sendRequest failed"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toString().toStdString());
        testsupport::clearLog();
        QByteArray body;
        EXPECT_FALSE(net::createHttpConnection()->get(c.url, &body, {}));
        const QStringList lines = testsupport::logLines();
        ASSERT_EQ(lines.size(), c.logged.size()) << lines.join('\n').toStdString();
        for (int i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i].endsWith(c.logged[i])) << lines[i].toStdString();
    }
}

TEST_F(HttpConnectionWinTest, CertificatesAreCheckedWithoutExceptions)
{
    testsupport::TestCertificates certs;
    ASSERT_TRUE(testsupport::makeTestCertificates(testsupport::rootDir() + "/certs", &certs));
    const struct {
        const char* name;
        QString cert;
        bool trustTestCa;
        const char* logged;
    } cases[] = {
        {"signed by the test CA", certs.serverCert, true, nullptr},
        {"self-signed", certs.selfSignedCert, true, "HttpSendRequest failed: 12045"},
        {"unknown CA", certs.serverCert, false, "HttpSendRequest failed: 12045"},
        {"other host name", certs.wrongNameCert, true, "HttpSendRequest failed: 12038"},
        {"expired", certs.expiredCert, true, "HttpSendRequest failed: 12037"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server(TestHttpServer::Tls{c.cert, certs.serverKey});
        ASSERT_TRUE(server.isRunning());
        testsupport::writeFile(server.root() + "/m.json", R"({"ok": true})");
        platform::setHttpExtraCaFileForTests(c.trustTestCa ? certs.caCert : QString());

        testsupport::clearLog();
        QJsonObject manifest;
        const bool ok = net::createHttpConnection()->getJson(server.url("/m.json"), &manifest, {});
        if (!c.logged) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(manifest.value("ok"), true);
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_TRUE(testsupport::logContains(c.logged)) << testsupport::logLines().join('\n').toStdString();
        EXPECT_TRUE(server.requests().isEmpty()); // no second, relaxed attempt reached the server
    }
}

// A secure request stays secure all the way: it follows redirects to https
// addresses, and one to plain http fails it before anything goes there.
TEST_F(HttpConnectionWinTest, AnHttpsRequestIsNotRedirectedToPlainHttp)
{
    testsupport::TestCertificates certs;
    ASSERT_TRUE(testsupport::makeTestCertificates(testsupport::rootDir() + "/certs", &certs));
    platform::setHttpExtraCaFileForTests(certs.caCert);
    TestHttpServer secure(TestHttpServer::Tls{certs.serverCert, certs.serverKey});
    TestHttpServer otherSecure(TestHttpServer::Tls{certs.serverCert, certs.serverKey});
    TestHttpServer plain;
    for (TestHttpServer* server : {&secure, &otherSecure, &plain}) {
        ASSERT_TRUE(server->isRunning());
        server->setRule("/target", {{"body_size", 5000}});
    }
    secure.setRule("/to-plain", {{"redirect", plain.url("/target").toString()}});

    const struct {
        const char* what;
        TestHttpServer* from;
        QString location;
        bool ok;
    } cases[] = {
        {"https to a path of the same server", &secure, "/target", true},
        {"https to another https server", &secure, otherSecure.url("/target").toString(), true},
        {"http to https", &plain, secure.url("/target").toString(), true},
        {"https to http", &secure, plain.url("/target").toString(), false},
        {"https to https to http", &otherSecure, secure.url("/to-plain").toString(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.from->setRule("/case", {{"redirect", c.location}});
        const int plainRequests = plain.requests().size();
        testsupport::clearLog();
        QByteArray body;
        EXPECT_EQ(net::createHttpConnection()->get(c.from->url("/case"), &body, {}), c.ok);
        if (c.ok) {
            EXPECT_EQ(body, pattern(5000));
        } else {
            EXPECT_TRUE(testsupport::logContains("HttpSendRequest failed: 12156"))
                << testsupport::logLines().join('\n').toStdString();
            EXPECT_EQ(plain.requests().size(), plainRequests) << "nothing went out in the clear";
        }
    }
}

TEST_F(HttpConnectionWinTest, RequestCarriesEncodedTargetHeadersAndCredentials)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    testsupport::writeFile(server.root() + "/dir/a b.txt", "spaced");

    auto connection = net::createHttpConnection();
    connection->m_user = "player";
    connection->m_password = "secret";
    QByteArray body;
    const QUrl url(QString("http://127.0.0.1:%1/dir/a b.txt?q=x y&city=Zürich").arg(server.port()));
    ASSERT_TRUE(connection->get(url, &body, {{"X-Launcher", "1"}}));
    EXPECT_EQ(body, "spaced");

    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject request = server.requests().at(0);
    EXPECT_EQ(request.value("target").toString(), "/dir/a%20b.txt?q=x%20y&city=Z%C3%BCrich");
    const QJsonObject headers = request.value("headers").toObject();
    EXPECT_EQ(headers.value("X-Launcher").toString(), "1");
    EXPECT_EQ(headers.value("Pragma").toString(), "no-cache");
    EXPECT_EQ(headers.value("Authorization").toString(), "Basic " + QByteArray("player:secret").toBase64());

    // Another scheme goes out as plain HTTP; a Range header gets its slice.
    testsupport::writeFile(server.root() + "/piece.bin", "0123456789abcdef");
    auto other = net::createHttpConnection();
    const QUrl odd(QString("ftp://127.0.0.1:%1/piece.bin").arg(server.port()));
    ASSERT_TRUE(other->get(odd, &body, {{"Range", "bytes=4-9"}}));
    EXPECT_EQ(body, "456789");
    EXPECT_EQ(other->statusCode(), 206);
    EXPECT_EQ(other->contentLength(), 6);
    EXPECT_FALSE(server.requests().at(1).value("headers").toObject().contains("Authorization"));
}

TEST_F(HttpConnectionWinTest, PostSendsTheBodyAndReadsTheAnswer)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.setRule("/refused", {{"status", 403}, {"body", "forbidden"}});

    auto connection = net::createHttpConnection();
    const QByteArray payload = pattern(70000); // beyond one socket write, no "Expect: 100-continue" wait
    QByteArray answer;
    ASSERT_TRUE(connection->post(server.url("/echo"), payload, &answer, {}));
    EXPECT_EQ(answer, payload);
    EXPECT_EQ(server.requests().at(0).value("method").toString(), "POST");

    testsupport::clearLog();
    EXPECT_FALSE(connection->post(server.url("/refused"), "x", &answer, {}));
    EXPECT_TRUE(testsupport::logContains("http status: 403"));
}

TEST_F(HttpConnectionWinTest, ServerConnectionIsReusedPerHostAndPort)
{
    TestHttpServer first;
    TestHttpServer second;
    ASSERT_TRUE(first.isRunning() && second.isRunning());
    testsupport::writeFile(first.root() + "/a", "a");
    testsupport::writeFile(second.root() + "/b", "b");
    auto clientPort = [](const TestHttpServer& server, int index) {
        return server.requests().at(index).value("client_port").toInt();
    };

    auto connection = net::createHttpConnection();
    QByteArray body;
    ASSERT_TRUE(connection->get(first.url("/a"), &body, {}));
    ASSERT_TRUE(connection->get(first.url("/a"), &body, {}));
    EXPECT_EQ(clientPort(first, 0), clientPort(first, 1));

    // Another port replaces the server connection; coming back opens a new one.
    ASSERT_TRUE(connection->get(second.url("/b"), &body, {}));
    ASSERT_TRUE(connection->get(first.url("/a"), &body, {}));
    EXPECT_NE(clientPort(first, 2), clientPort(first, 1));

    // close() ends it too.
    EXPECT_TRUE(connection->close());
    ASSERT_TRUE(connection->get(first.url("/a"), &body, {}));
    EXPECT_NE(clientPort(first, 3), clientPort(first, 2));

    // Each response is measured anew on a reused object.
    testsupport::writeFile(first.root() + "/longer", "longer body");
    ASSERT_TRUE(connection->get(first.url("/longer"), &body, {}));
    EXPECT_EQ(connection->contentLength(), 11);
}

TEST_F(HttpConnectionWinTest, ProgressAfterEveryRoundAndOnceMore)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    const struct {
        const char* name;
        QJsonObject rule;
        qint64 total;
        QList<qint64> currents;
    } cases[] = {
        {"partial last round", {{"body_size", 5000}}, 5000, {2048, 4096, 5000}},
        {"whole last round", {{"body_size", 4096}}, 4096, {2048, 4096, 4096}},
        {"empty", {{"body_size", 0}}, 0, {0}},
        {"unknown length", {{"body_size", 3000}, {"length", "none"}}, -1, {2048, 3000}},
        // The network hands over small pieces; a round still holds 2048 bytes.
        {"small pieces", {{"body_size", 5000}, {"chunked", true}, {"rate", 40000}}, -1, {2048, 4096, 5000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setRule("/p", c.rule);
        ProgressLog progress;
        auto connection = net::createHttpConnection();
        connection->m_progress = &progress;
        ASSERT_TRUE(connection->download(server.url("/p"), downloadPath(), {}));
        EXPECT_EQ(progress.currents, c.currents);
        for (const qint64 total : progress.totals)
            EXPECT_EQ(total, c.total);
    }
}

TEST_F(HttpConnectionWinTest, InMemoryBodiesAreBounded)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    const qint64 cap = net::HttpConnectionWin::kMaxBodyInMemory;
    server.setRule("/declared", {{"body_size", 10}, {"declared_length", double(cap + 1)}});
    server.setRule("/endless", {{"body_size", double(cap + 1)}, {"chunked", true}});

    QByteArray body;
    EXPECT_FALSE(net::createHttpConnection()->get(server.url("/declared"), &body, {}));
    EXPECT_TRUE(testsupport::logContains(QString("http body too large: %1").arg(cap + 1)));

    EXPECT_FALSE(net::createHttpConnection()->get(server.url("/endless"), &body, {}));
    EXPECT_TRUE(testsupport::logContains("http::write failed: "));
    EXPECT_TRUE(body.isEmpty());

    // A file has no such bound.
    ASSERT_TRUE(net::createHttpConnection()->download(server.url("/endless"), downloadPath(), {}));
    EXPECT_EQ(QFileInfo(downloadPath()).size(), cap + 1);
}

TEST_F(HttpConnectionWinTest, DownloadFileThatCannotBeWritten)
{
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.setRule("/big", {{"body_size", 1 << 20}});

    // A path below a file cannot be opened.
    const QString blocker = testsupport::writeFile(testsupport::rootDir() + "/blocker", "file");
    const QString below = blocker + "/content.7z";
    EXPECT_FALSE(net::createHttpConnection()->download(server.url("/big"), below, {}));
    EXPECT_TRUE(testsupport::logContains("failed to open dowload file: " + below));

    // A disk that fills up mid-way: the failure is reported and nothing stays.
    bool ok = true;
    {
        testsupport::FileSizeLimit limit(256 * 1024);
        ok = net::createHttpConnection()->download(server.url("/big"), downloadPath(), {});
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(testsupport::logContains("http::write failed: "));
    EXPECT_FALSE(QFileInfo::exists(downloadPath()));
}

TEST_F(HttpConnectionWinTest, ProxyComesFromTheEnvironment)
{
    TestHttpServer proxy;
    ASSERT_TRUE(proxy.isRunning());
    testsupport::writeFile(proxy.root() + "/m.json", "{}");
    qputenv("http_proxy", QString("http://127.0.0.1:%1").arg(proxy.port()).toUtf8());

    QJsonObject manifest;
    EXPECT_TRUE(net::createHttpConnection()->getJson(QUrl("http://mirror.invalid/m.json"), &manifest, {}));
    ASSERT_EQ(proxy.requests().size(), 1);
    EXPECT_EQ(proxy.requests().at(0).value("target").toString(), "http://mirror.invalid/m.json");
}

} // namespace
