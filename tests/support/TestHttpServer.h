#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace testsupport {

// A local HTTP or HTTPS server (tests/support/http_test_server.py) on
// 127.0.0.1 and a free port, started by the constructor (which waits until
// it accepts connections, at most 10 s) and killed by pid in the destructor.
// It serves the files below root() with Range support, echoes POST bodies,
// misbehaves on the paths given rules, and records every request.
class TestHttpServer
{
public:
    struct Tls
    {
        QString certFile;
        QString keyFile;
    };

    explicit TestHttpServer(const Tls& tls = Tls());
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool isRunning() const;
    quint16 port() const { return m_port; }
    // The directory served; put files there.
    QString root() const;
    // "http://127.0.0.1:<port>" (https with a certificate) followed by pathAndQuery.
    QUrl url(const QString& pathAndQuery) const;

    // How the server answers a path (decoded, without query); the keys are
    // described in http_test_server.py. Replaces the earlier rule for that path.
    void setRule(const QString& path, const QJsonObject& rule);
    // Every request received so far, oldest first: method, target, path,
    // query, headers, client_port and, for POST, body.
    QList<QJsonObject> requests() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QJsonObject m_rules;
    quint16 m_port = 0;
    bool m_secure = false;
};

} // namespace testsupport
