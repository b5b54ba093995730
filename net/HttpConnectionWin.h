#pragma once

#include "net/HttpConnection.h"

#include <memory>
#include <vector>

namespace platform {
class HttpSession;
class HttpServerConnection;
class HttpRequest;
} // namespace platform

namespace net {

// The HTTP client over the platform's HTTP layer: one session per object,
// one server connection per host and port (reused while both stay the same),
// one request at a time, its body read in rounds of at most 2048 bytes with a
// progress report after each round.
class HttpConnectionWin : public HttpConnection
{
public:
    HttpConnectionWin();
    ~HttpConnectionWin() override;

    bool connect(const QString& host, quint16 port) override;
    bool close() override;
    bool download(const QUrl& url, const QString& filePath, const HttpHeaders& headers) override;
    bool get(const QUrl& url, QByteArray* out, const HttpHeaders& headers) override;
    bool post(const QUrl& url, const QByteArray& body, QByteArray* out, const HttpHeaders& headers) override;
    int statusCode() override;
    qint64 contentLength() override;
    int read(QIODevice* device, int max) override;
    QString userAgent() override;
    void setUserAgent(const QString& agent) override;

    // Read rounds until the body ends, reporting progress with expected as
    // the total; the bytes stored, or -1.
    virtual qint64 readAll(QIODevice* device, qint64 expected);

    // An in-memory body may not grow beyond this, and no more than
    // kMaxReservation is reserved for it up front, whatever the server declares.
    static constexpr qint64 kMaxBodyInMemory = 64 * 1024 * 1024;
    static constexpr qint64 kMaxReservation = 1024 * 1024;

private:
    bool openSession();
    bool sendRequest(const QUrl& url, bool post, const QString& headerText, const QByteArray& body);
    bool checkStatus();
    qint64 readIntoMemory(QByteArray* out, qint64 length);

    QString m_userAgent;
    QString m_host;
    quint16 m_port = 0;
    std::unique_ptr<platform::HttpSession> m_session;
    std::unique_ptr<platform::HttpServerConnection> m_connection;
    std::unique_ptr<platform::HttpRequest> m_request;
    qint64 m_contentLength = -1;
    std::vector<char> m_buffer;
    quint32 m_lastError = 0; // of the last session or connection that could not be opened
};

} // namespace net
