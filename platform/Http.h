#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A small blocking HTTP/HTTPS client in three levels: a session (user agent
// and time-outs), a server connection (one host and port, whose connections
// are kept alive and reused by the requests opened on it) and a request (sent
// once, then queried and read in rounds the caller sizes). The body is pulled:
// the network is only read while the caller asks for bytes, so a body of any
// size passes through a few small buffers.
//
// Errors keep the numbers the launcher's log lines have always shown.
namespace platform {

enum class HttpError : quint32 {
    None = 0,
    OutOfMemory = 8,
    InvalidParameter = 87,
    Timeout = 12002,
    Internal = 12004,
    InvalidUrl = 12005,
    UnrecognizedScheme = 12006,
    NameNotResolved = 12007,
    InvalidOption = 12009,
    LoginFailure = 12015,
    OperationCancelled = 12017,
    IncorrectHandleState = 12019,
    CannotConnect = 12029,
    ConnectionAborted = 12030,
    CertificateDateInvalid = 12037,
    CertificateNameInvalid = 12038,
    InvalidCertificateAuthority = 12045,
    HeaderNotFound = 12150,
    InvalidServerResponse = 12152,
    RedirectFailed = 12156,
    SecureChannelError = 12157,
    InvalidCertificate = 12169,
    CertificateRevoked = 12170,
};

enum class HttpTimeout {
    Connect, // establishing the connection, TLS handshake included
    Receive, // longest wait for any response byte
    Send,    // longest wait for the request body to make progress
};

class HttpServerConnection;
class HttpRequest;

class HttpSession
{
public:
    // One per client object. Fails only when the library cannot start.
    static std::unique_ptr<HttpSession> open(const QString& userAgent, HttpError* error);
    ~HttpSession();

    // Milliseconds. 0 sets no limit of the layer's own (libcurl still gives
    // up connecting after 300 s). Negative values are refused.
    HttpError setTimeout(HttpTimeout which, qint64 milliseconds);

    // A connection to one host and port. Nothing goes over the network yet;
    // the host is resolved and connected by the first request. Credentials are
    // sent with every request when user is non-empty.
    std::unique_ptr<HttpServerConnection> connect(const QString& host, quint16 port, const QString& user,
                                                  const QString& password, HttpError* error);

    struct Settings;

private:
    explicit HttpSession(std::shared_ptr<Settings> settings);
    std::shared_ptr<Settings> m_settings;
};

class HttpServerConnection
{
public:
    ~HttpServerConnection(); // closes the connections kept alive for this host and port

    enum Flag {
        Secure = 0x1,  // HTTPS, with the peer and its host name checked against the system's CA store
        NoCache = 0x2, // ask caches on the way to fetch from the origin server
    };

    // verb is "GET" or "POST"; target the path and query as sent, already
    // percent-encoded ("/a/b?c=d"; empty means "/").
    std::unique_ptr<HttpRequest> openRequest(const QByteArray& verb, const QByteArray& target, int flags,
                                             HttpError* error);

    struct Data;

private:
    friend class HttpSession;
    explicit HttpServerConnection(std::shared_ptr<Data> data);
    std::shared_ptr<Data> m_data;
};

class HttpRequest
{
public:
    ~HttpRequest(); // abandons an unfinished response

    // Sends the request once and waits for the final response's headers
    // (redirects are followed, at most 10). headerLines holds extra request
    // headers, "Name: value" separated by line feeds.
    HttpError send(const QByteArray& headerLines, const QByteArray& body);

    // The final response's status code and its headers, once send succeeded.
    HttpError statusCode(int* code) const;
    HttpError header(const QByteArray& name, QByteArray* value) const;

    // Waits until body bytes are ready and tells how many can be read without
    // waiting; 0 when the body has ended.
    HttpError bytesAvailable(qint64* count);

    // Moves at most max body bytes into buffer, waiting for some when none
    // are ready. A count of 0 means the body has ended. A body cut short (the
    // connection lost before the declared length, a broken chunked encoding)
    // ends in an error, never in a short success.
    HttpError read(char* buffer, qint64 max, qint64* count);

    class Transfer;

private:
    friend class HttpServerConnection;
    explicit HttpRequest(std::unique_ptr<Transfer> transfer);
    std::unique_ptr<Transfer> m_transfer;
};

// Test seams; the launcher never calls them. A time-out set here replaces
// what the session was given (0 restores it). The CA file is trusted in
// addition to the system's CA store (empty restores the store alone).
void setHttpTimeoutForTests(HttpTimeout which, qint64 milliseconds);
void setHttpExtraCaFileForTests(const QString& path);

} // namespace platform
