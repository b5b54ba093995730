#include "net/HttpConnectionWin.h"

#include "core/Log.h"
#include "net/IHttpProgress.h"
#include "platform/Http.h"

#include <QBuffer>
#include <QFile>

namespace net {
namespace {

using platform::HttpError;
using platform::HttpTimeout;

constexpr int kRoundSize = 2048;
constexpr qint64 kTimeoutMs = 60000;

QString withCode(const char* text, HttpError error)
{
    return QLatin1String(text) + QString::number(quint32(error));
}

void critical(const QString& message)
{
    Log::instance()->critical(message);
}

// The buffer behind an in-memory body: it refuses to grow past the cap, so
// a server cannot make the launcher allocate without bound.
class CappedBuffer : public QBuffer
{
public:
    using QBuffer::QBuffer;

protected:
    qint64 writeData(const char* data, qint64 length) override
    {
        if (pos() + length > HttpConnectionWin::kMaxBodyInMemory) {
            setErrorString(QStringLiteral("the body is larger than %1 bytes").arg(HttpConnectionWin::kMaxBodyInMemory));
            return -1;
        }
        return QBuffer::writeData(data, length);
    }
};

} // namespace

std::shared_ptr<HttpConnection> createHttpConnection()
{
    return std::make_shared<HttpConnectionWin>();
}

HttpConnectionWin::HttpConnectionWin()
    : m_buffer(kRoundSize)
{
}

// Members go in reverse order: the request, the server connection, the session.
HttpConnectionWin::~HttpConnectionWin() = default;

bool HttpConnectionWin::openSession()
{
    if (m_session)
        return true;
    HttpError error = HttpError::None;
    m_session = platform::HttpSession::open(m_userAgent, &error);
    if (!m_session) {
        m_lastError = quint32(error);
        critical(withCode("InternetOpen failed: ", error));
        return false;
    }
    static const struct {
        HttpTimeout which;
        const char* name;
    } timeouts[] = {
        {HttpTimeout::Connect, "INTERNET_OPTION_CONNECT_TIMEOUT failed: "},
        {HttpTimeout::Receive, "INTERNET_OPTION_RECEIVE_TIMEOUT failed: "},
        {HttpTimeout::Send, "INTERNET_OPTION_SEND_TIMEOUT failed: "},
    };
    for (const auto& timeout : timeouts) {
        const HttpError failed = m_session->setTimeout(timeout.which, kTimeoutMs);
        if (failed != HttpError::None)
            critical(withCode(timeout.name, failed));
    }
    return true;
}

bool HttpConnectionWin::connect(const QString& host, quint16 port)
{
    if (!openSession())
        return false;
    if (m_connection && host == m_host && port == m_port)
        return true;
    HttpError error = HttpError::None;
    const QString noCredentials;
    const bool withCredentials = !m_user.isEmpty();
    // The new connection is opened before the old one goes.
    m_connection = m_session->connect(host, port, withCredentials ? m_user : noCredentials,
                                      withCredentials ? m_password : noCredentials, &error);
    if (!m_connection) {
        m_lastError = quint32(error);
        critical(withCode("InternetConnect failed: ", error));
    }
    m_host = host;
    m_port = port;
    return m_connection != nullptr;
}

bool HttpConnectionWin::close()
{
    m_request.reset();
    m_connection.reset();
    return true;
}

bool HttpConnectionWin::sendRequest(const QUrl& url, bool post, const QString& headerText, const QByteArray& body)
{
    if (!url.isValid())
        return false;
    const bool secure = url.scheme() == QLatin1String("https");
    const quint16 port = quint16(url.port(secure ? 443 : 80));
    if (port == 0)
        return false;
    if (!connect(url.host(QUrl::FullyDecoded), port)) {
        Log::instance()->critical(QStringLiteral("InternetConnect failed: %1").arg(m_lastError));
        return false;
    }

    QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
    const QString query = url.query(QUrl::FullyEncoded);
    if (!query.isEmpty())
        target += '?' + query.toUtf8();
    const int flags = platform::HttpServerConnection::NoCache | (secure ? platform::HttpServerConnection::Secure : 0);

    HttpError error = HttpError::None;
    // The new request is opened before the previous one goes; its response
    // starts with nothing known about it.
    m_request = m_connection->openRequest(post ? "POST" : "GET", target, flags, &error);
    m_contentLength = -1;
    if (!m_request) {
        critical(withCode("HttpOpenRequest failed: ", error));
        return false;
    }

    // One send: a certificate that does not check out ends the request.
    error = m_request->send(headerText.toUtf8(), body);
    if (error != HttpError::None) {
        critical(withCode("HttpSendRequest failed: ", error));
        return false;
    }
    return true;
}

// Only a successful response is content: an error page is not a manifest,
// a .torrent or an archive.
bool HttpConnectionWin::checkStatus()
{
    const int code = statusCode();
    if (code >= 200 && code <= 299)
        return true;
    critical(QStringLiteral("http status: %1").arg(code));
    return false;
}

int HttpConnectionWin::statusCode()
{
    if (!m_request)
        return -1;
    int code = -1;
    const HttpError error = m_request->statusCode(&code);
    if (error != HttpError::None) {
        critical(withCode("HttpQueryInfo1 failed: ", error));
        return -1;
    }
    return code;
}

qint64 HttpConnectionWin::contentLength()
{
    if (!m_request)
        return -1;
    if (m_contentLength == -1) {
        QByteArray value;
        const HttpError error = m_request->header("Content-Length", &value);
        if (error != HttpError::None) {
            critical(withCode("HttpQueryInfo1 failed: ", error));
        } else {
            bool ok = false;
            const qint64 length = value.toLongLong(&ok);
            m_contentLength = ok && length >= 0 ? length : -1;
        }
    }
    return m_contentLength;
}

int HttpConnectionWin::read(QIODevice* device, int max)
{
    if (!m_request)
        return -1;
    int sum = 0;
    while (sum < max) {
        qint64 count = 0;
        const qint64 wanted = qMin<qint64>(max - sum, qint64(m_buffer.size()));
        const HttpError error = m_request->read(m_buffer.data(), wanted, &count);
        // A failure ends the transfer even after some bytes of this round:
        // a body cut short is not a body.
        if (error != HttpError::None) {
            critical(withCode("InternetReadFile failed: ", error));
            return -1;
        }
        if (count == 0)
            break;
        if (device->write(m_buffer.data(), count) != count) {
            critical(QStringLiteral("http::write failed: ") + device->errorString());
            return -1;
        }
        sum += int(count);
    }
    return sum;
}

qint64 HttpConnectionWin::readAll(QIODevice* device, qint64 expected)
{
    // Counted rather than asked of the device each round, so that a file's
    // write buffer is not flushed every 2048 bytes.
    qint64 stored = device->size();
    int round = 0;
    do {
        round = read(device, kRoundSize);
        if (round > 0)
            stored += round;
        if (m_progress)
            m_progress->httpProgress(this, expected, stored);
    } while (round >= kRoundSize);
    return round < 0 ? -1 : stored;
}

qint64 HttpConnectionWin::readIntoMemory(QByteArray* out, qint64 length)
{
    out->clear();
    if (length > kMaxBodyInMemory) {
        critical(QStringLiteral("http body too large: %1").arg(length));
        return -1;
    }
    out->reserve(int(length >= 0 ? qMin(length, kMaxReservation) : kRoundSize));
    CappedBuffer buffer(out);
    buffer.open(QIODevice::WriteOnly);
    const qint64 count = readAll(&buffer, length);
    buffer.close();
    if (count < 0)
        out->clear();
    return count;
}

bool HttpConnectionWin::get(const QUrl& url, QByteArray* out, const HttpHeaders& headers)
{
    Log::instance()->debug(url.toString());
    if (!sendRequest(url, false, formatHeaders(headers), QByteArray())) {
        critical(QStringLiteral("http::sendRequest failed"));
        return false;
    }
    if (!checkStatus())
        return false;
    const qint64 length = contentLength();
    Log::instance()->info(QStringLiteral("http::contentLen: %1").arg(length));

    qint64 available = 0;
    const HttpError error = m_request->bytesAvailable(&available);
    if (error == HttpError::None)
        Log::instance()->info(QStringLiteral("InternetQueryDataAvailable: %1").arg(available));
    else
        critical(withCode("InternetQueryDataAvailable failed: ", error));

    const qint64 count = readIntoMemory(out, length);
    Log::instance()->info(QStringLiteral("http::read_bytes: %1").arg(count));
    return count >= 0;
}

bool HttpConnectionWin::post(const QUrl& url, const QByteArray& body, QByteArray* out, const HttpHeaders& headers)
{
    if (!sendRequest(url, true, formatHeaders(headers), body))
        return false;
    if (!checkStatus())
        return false;
    return readIntoMemory(out, contentLength()) >= 0;
}

bool HttpConnectionWin::download(const QUrl& url, const QString& filePath, const HttpHeaders& headers)
{
    Log::instance()->debug(url.toString());
    if (!sendRequest(url, false, formatHeaders(headers), QByteArray()))
        return false;
    if (!checkStatus())
        return false;
    const qint64 length = contentLength();

    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Log::instance()->debug(QStringLiteral("failed to open dowload file: ") + filePath);
        return false;
    }
    // Truncate has emptied the file, and a new one is not truncated again:
    // ext4 writes out, when it is closed, any file truncated to nothing and
    // written anew (its guard for programs that replace files that way),
    // which held the job up for a third of a second per GiB.
    bool complete = readAll(&file, length) >= 0;
    if (complete && !file.flush()) {
        critical(QStringLiteral("http::write failed: ") + file.errorString());
        complete = false;
    }
    // A failed download leaves nothing that could pass for the archive. The
    // file is removed by name: QFile::remove skips the unlink when closing
    // fails to write the rest of a full disk's buffer.
    if (!complete) {
        file.close();
        QFile::remove(filePath);
    }
    return complete;
}

QString HttpConnectionWin::userAgent()
{
    return m_userAgent;
}

void HttpConnectionWin::setUserAgent(const QString& agent)
{
    m_userAgent = agent;
}

} // namespace net
