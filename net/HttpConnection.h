#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <memory>

class QIODevice;

namespace net {

class IHttpProgress;

using HttpHeaders = QHash<QString, QString>;

// A small blocking HTTP/HTTPS client. Callers make one object per transfer
// (createHttpConnection), use it on one thread and drop it at the end.
// Every failure is a false (or -1) result after one log line.
class HttpConnection
{
public:
    virtual ~HttpConnection();

    // Opens, or keeps, the server connection for host and port.
    virtual bool connect(const QString& host, quint16 port) = 0;
    // connect with the URL's host and port; the port defaults to 80 whatever
    // the scheme (requests choose 443 for https themselves).
    virtual bool connectToUrl(const QUrl& url);
    // Ends the current request and server connection.
    virtual bool close() = 0;

    // One request each; true when the whole body of a successful (2xx)
    // response was stored.
    virtual bool download(const QUrl& url, const QString& filePath, const HttpHeaders& headers) = 0;
    virtual bool get(const QUrl& url, QByteArray* out, const HttpHeaders& headers) = 0;
    virtual bool post(const QUrl& url, const QByteArray& body, QByteArray* out, const HttpHeaders& headers) = 0;
    // get, then the body parsed as JSON: false for a body that is not JSON,
    // true with an empty object for a JSON array.
    virtual bool getJson(const QUrl& url, QJsonObject* out, const HttpHeaders& headers);

    // The current response's status code and declared body length, -1 when
    // unknown.
    virtual int statusCode() = 0;
    virtual qint64 contentLength() = 0;
    // One read round of at most max body bytes into device; -1 on failure.
    virtual int read(QIODevice* device, int max) = 0;

    virtual QString userAgent() = 0;
    virtual void setUserAgent(const QString& agent) = 0;

    // Credentials for the server connection, used when m_user is non-empty.
    QString m_user;
    QString m_password;
    // Optional progress sink, set by the caller before a transfer; not owned.
    IHttpProgress* m_progress = nullptr;
};

// A new connection object with no user, password, user agent or sink.
std::shared_ptr<HttpConnection> createHttpConnection();

// The extra request headers as one text: "name: value\n" for each entry, in
// the hash's own order; empty for no headers.
QString formatHeaders(const HttpHeaders& headers);

} // namespace net
