#include "platform/Http.h"

#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <vector>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

std::array<std::atomic<qint64>, 3> g_timeoutOverrides{};
QMutex g_caMutex;
QString g_extraCaFile;

qint64 timeoutOverride(HttpTimeout which)
{
    return g_timeoutOverrides[size_t(which)].load();
}

QByteArray extraCaFile()
{
    QMutexLocker lock(&g_caMutex);
    return g_extraCaFile.toLocal8Bit();
}

// The host's certificate authorities, one file of them as each family of
// distributions keeps it. libcurl knows only the path of the distribution it
// was built on, and the launcher carries its libcurl to all of them. When
// none is there, libcurl keeps its own path: a request then fails its
// certificate check rather than going out unchecked.
QByteArray hostCaBundle()
{
    static const QByteArray bundle = [] {
        const char* const locations[] = {
            "/etc/ssl/certs/ca-certificates.crt",                // Debian, Ubuntu, Arch, Gentoo
            "/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem", // Fedora, RHEL, CentOS
            "/etc/pki/tls/certs/ca-bundle.crt",                  // older Fedora and RHEL
            "/etc/ssl/ca-bundle.pem",                            // openSUSE
            "/var/lib/ca-certificates/ca-bundle.pem",            // openSUSE, newer
            "/etc/ssl/cert.pem",                                 // Alpine, Void
        };
        for (const char* location : locations) {
            const QFileInfo file(QString::fromLatin1(location));
            if (file.isFile() && file.isReadable() && file.size() > 0)
                return QByteArray(location);
        }
        return QByteArray();
    }();
    return bundle;
}

// The one translation of libcurl's results into the error numbers of the
// launcher's log.
struct CurlError
{
    CURLcode curl;
    HttpError error;
};

constexpr CurlError kCurlErrors[] = {
    {CURLE_UNSUPPORTED_PROTOCOL, HttpError::UnrecognizedScheme},
    {CURLE_URL_MALFORMAT, HttpError::InvalidUrl},
    {CURLE_COULDNT_RESOLVE_PROXY, HttpError::NameNotResolved},
    {CURLE_COULDNT_RESOLVE_HOST, HttpError::NameNotResolved},
    {CURLE_COULDNT_CONNECT, HttpError::CannotConnect},
    {CURLE_PROXY, HttpError::CannotConnect},
    {CURLE_OPERATION_TIMEDOUT, HttpError::Timeout},
    {CURLE_PARTIAL_FILE, HttpError::ConnectionAborted},
    {CURLE_GOT_NOTHING, HttpError::ConnectionAborted},
    {CURLE_SEND_ERROR, HttpError::ConnectionAborted},
    {CURLE_RECV_ERROR, HttpError::ConnectionAborted},
    {CURLE_WEIRD_SERVER_REPLY, HttpError::InvalidServerResponse},
    {CURLE_HTTP2, HttpError::InvalidServerResponse},
    {CURLE_HTTP2_STREAM, HttpError::InvalidServerResponse},
    {CURLE_BAD_CONTENT_ENCODING, HttpError::InvalidServerResponse},
    {CURLE_TOO_MANY_REDIRECTS, HttpError::RedirectFailed},
    {CURLE_LOGIN_DENIED, HttpError::LoginFailure},
    {CURLE_OUT_OF_MEMORY, HttpError::OutOfMemory},
    {CURLE_ABORTED_BY_CALLBACK, HttpError::OperationCancelled},
    {CURLE_SSL_CONNECT_ERROR, HttpError::SecureChannelError},
    {CURLE_SSL_CERTPROBLEM, HttpError::SecureChannelError},
    {CURLE_SSL_CIPHER, HttpError::SecureChannelError},
    {CURLE_SSL_CACERT_BADFILE, HttpError::SecureChannelError},
    {CURLE_SSL_ISSUER_ERROR, HttpError::InvalidCertificate},
    // Refined by the certificate verification result, see certificateError.
    {CURLE_PEER_FAILED_VERIFICATION, HttpError::InvalidCertificate},
};

// OpenSSL's certificate verification results (x509_vfy.h), as libcurl
// reports them for a refused peer.
enum X509Result : long {
    X509Ok = 0,
    X509Unspecified = 1,
    X509UnableToGetIssuerCert = 2,
    X509CertNotYetValid = 9,
    X509CertHasExpired = 10,
    X509DepthZeroSelfSigned = 18,
    X509SelfSignedInChain = 19,
    X509UnableToGetIssuerLocally = 20,
    X509UnableToVerifyLeaf = 21,
    X509CertRevoked = 23,
    X509CertUntrusted = 27,
    X509HostnameMismatch = 62,
    X509IpAddressMismatch = 64,
};

HttpError certificateError(CURL* easy)
{
    long result = X509Ok;
    curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &result);
    switch (result) {
    // No verdict from OpenSSL means the chain passed and libcurl's own host
    // name check, which runs before the result is recorded, refused the peer.
    case X509Ok:
    case X509Unspecified:
    case X509HostnameMismatch:
    case X509IpAddressMismatch:
        return HttpError::CertificateNameInvalid;
    case X509CertNotYetValid:
    case X509CertHasExpired:
        return HttpError::CertificateDateInvalid;
    case X509CertRevoked:
        return HttpError::CertificateRevoked;
    case X509UnableToGetIssuerCert:
    case X509DepthZeroSelfSigned:
    case X509SelfSignedInChain:
    case X509UnableToGetIssuerLocally:
    case X509UnableToVerifyLeaf:
    case X509CertUntrusted:
        return HttpError::InvalidCertificateAuthority;
    default:
        return HttpError::InvalidCertificate;
    }
}

HttpError fromCurl(CURLcode code, CURL* easy)
{
    if (code == CURLE_OK)
        return HttpError::None;
    if (code == CURLE_PEER_FAILED_VERIFICATION)
        return certificateError(easy);
    for (const CurlError& entry : kCurlErrors) {
        if (entry.curl == code)
            return entry.error;
    }
    return HttpError::Internal;
}

// What the write callback keeps before it pauses the transfer, and what
// libcurl reads from the socket at once: under 200 KiB per transfer whatever
// the body's size. With libcurl's 16 KiB and a pause after every piece, the
// pause and resume cycles cost a fifth of the download speed.
constexpr size_t kPendingLimit = 128 * 1024;
constexpr long kReceiveBufferSize = 64 * 1024;

bool libraryReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// A host as it may stand in a URL: no characters that would end the
// authority or smuggle in another one; IPv6 addresses in brackets.
bool hostForUrl(const QString& host, QByteArray* out)
{
    const QByteArray utf8 = host.toUtf8();
    if (utf8.isEmpty())
        return false;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || std::strchr("/\\?#@[]%", c))
            return false;
    }
    *out = utf8.contains(':') ? '[' + utf8 + ']' : utf8;
    return true;
}

bool startsWithNoCase(const QByteArray& text, const QByteArray& prefix)
{
    return text.size() >= prefix.size() && qstrnicmp(text.constData(), prefix.constData(), uint(prefix.size())) == 0;
}

} // namespace

struct HttpSession::Settings
{
    QByteArray userAgent;
    std::array<qint64, 3> timeouts{};

    qint64 timeout(HttpTimeout which) const
    {
        const qint64 forTests = timeoutOverride(which);
        return forTests > 0 ? forTests : timeouts[size_t(which)];
    }
};

struct HttpServerConnection::Data
{
    std::shared_ptr<const HttpSession::Settings> settings;
    QByteArray origin; // "host:port", host ready for a URL
    QByteArray user;
    QByteArray password;
    CURLM* multi = nullptr; // holds the kept-alive connections

    ~Data()
    {
        if (multi)
            curl_multi_cleanup(multi);
    }
};

// One request on a server connection's multi handle. The easy handle is
// driven only while the caller waits for something (the response headers,
// body bytes), and its write callback pauses the transfer once the pieces
// not yet handed over would pass kPendingLimit.
class HttpRequest::Transfer
{
public:
    Transfer(std::shared_ptr<HttpServerConnection::Data> connection, QByteArray url, QByteArray verb, int flags)
        : m_connection(std::move(connection))
        , m_url(std::move(url))
        , m_verb(std::move(verb))
        , m_flags(flags)
    {
    }

    ~Transfer()
    {
        if (m_easy) {
            curl_multi_remove_handle(m_connection->multi, m_easy);
            curl_easy_cleanup(m_easy);
        }
        curl_slist_free_all(m_headerList);
    }

    bool init()
    {
        m_easy = curl_easy_init();
        return m_easy != nullptr;
    }

    HttpError send(const QByteArray& headerLines, const QByteArray& body);
    HttpError statusCode(int* code) const;
    HttpError header(const QByteArray& name, QByteArray* value) const;
    HttpError bytesAvailable(qint64* count);
    HttpError read(char* buffer, qint64 max, qint64* count);

private:
    bool configure(const QByteArray& headerLines);
    bool addHeader(const QByteArray& line);
    template<typename Ready> HttpError waitUntil(Ready ready);
    void collectMessages();
    void complete(CURLcode result);
    void fail(HttpError error);
    bool stalled() const;
    bool trickles();
    void restartRateWindow();
    qint64 currentLimit() const;
    int pollMilliseconds() const;
    void noteUploadProgress();
    void finishHeaders();
    size_t pendingBytes() const { return m_pending.size() - m_pendingPos; }
    void markProgress() { m_lastProgress = Clock::now(); }

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static int onConnected(void* self, char*, char*, int, int);

    std::shared_ptr<HttpServerConnection::Data> m_connection;
    QByteArray m_url;
    QByteArray m_verb;
    int m_flags = 0;
    QByteArray m_body;
    QByteArray m_caFile;
    CURL* m_easy = nullptr;
    curl_slist* m_headerList = nullptr;

    bool m_started = false;
    bool m_done = false;
    HttpError m_error = HttpError::None;

    // Headers of the response being received; the final response's are kept.
    int m_blockStatus = 0;
    bool m_blockHasLocation = false;
    QList<QByteArray> m_blockHeaders;
    bool m_headersDone = false;
    int m_statusCode = 0;
    QList<QByteArray> m_headers;

    // Body bytes the write callback took; those before m_pendingPos have
    // been handed over.
    std::vector<char> m_pending;
    size_t m_pendingPos = 0;
    bool m_paused = false;

    bool m_connected = false;
    Clock::time_point m_lastProgress;
    curl_off_t m_uploaded = 0;
    // The response bytes of the current stretch of waiting, and its length.
    qint64 m_rateBytes = 0;
    Clock::duration m_rateWaited{};
};

HttpError HttpRequest::Transfer::send(const QByteArray& headerLines, const QByteArray& body)
{
    if (m_started)
        return HttpError::IncorrectHandleState;
    m_started = true;
    m_body = body;
    if (!configure(headerLines)) {
        m_done = true;
        m_error = HttpError::OutOfMemory;
        return m_error;
    }
    const CURLMcode added = curl_multi_add_handle(m_connection->multi, m_easy);
    if (added != CURLM_OK) {
        m_done = true;
        m_error = added == CURLM_OUT_OF_MEMORY ? HttpError::OutOfMemory : HttpError::Internal;
        return m_error;
    }
    waitUntil([this] { return m_headersDone; });
    return m_headersDone ? HttpError::None : m_error;
}

bool HttpRequest::Transfer::configure(const QByteArray& headerLines)
{
    const HttpSession::Settings& settings = *m_connection->settings;
    CURL* e = m_easy;
    bool ok = curl_easy_setopt(e, CURLOPT_URL, m_url.constData()) == CURLE_OK;
    curl_easy_setopt(e, CURLOPT_PRIVATE, this);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure request stays secure: a redirect to plain http fails it.
    const bool secure = m_flags & HttpServerConnection::Secure;
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    m_caFile = extraCaFile();
    if (m_caFile.isEmpty())
        m_caFile = hostCaBundle();
    if (!m_caFile.isEmpty())
        curl_easy_setopt(e, CURLOPT_CAINFO, m_caFile.constData());
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(settings.timeout(HttpTimeout::Connect)));
    if (!settings.userAgent.isEmpty())
        curl_easy_setopt(e, CURLOPT_USERAGENT, settings.userAgent.constData());
    if (!m_connection->user.isEmpty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, m_connection->user.constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, m_connection->password.constData());
    }

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Transfer::onConnected);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);

    if (m_verb == "POST") {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_body.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, m_body.constData());
    } else {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    }

    // A POST goes out at once, without waiting for "100 Continue".
    ok = ok && addHeader("Expect:");
    if (m_flags & HttpServerConnection::NoCache)
        ok = ok && addHeader("Pragma: no-cache") && addHeader("Cache-Control: no-cache");
    for (const QByteArray& line : headerLines.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            ok = ok && addHeader(trimmed);
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, m_headerList);
    return ok;
}

bool HttpRequest::Transfer::addHeader(const QByteArray& line)
{
    curl_slist* grown = curl_slist_append(m_headerList, line.constData());
    if (!grown)
        return false;
    m_headerList = grown;
    return true;
}

template<typename Ready> HttpError HttpRequest::Transfer::waitUntil(Ready ready)
{
    // Time spent by the caller between two waits is not the server's.
    markProgress();
    Clock::time_point counted = Clock::now();
    CURLM* multi = m_connection->multi;
    while (!ready() && !m_done) {
        if (m_paused && pendingBytes() == 0) {
            m_paused = false;
            const CURLcode resumed = curl_easy_pause(m_easy, CURLPAUSE_CONT);
            if (resumed != CURLE_OK)
                complete(resumed);
            continue;
        }
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            fail(HttpError::Internal);
            break;
        }
        collectMessages();
        noteUploadProgress();
        const Clock::time_point now = Clock::now();
        m_rateWaited += now - counted;
        counted = now;
        if (ready() || m_done)
            break;
        if (stalled() || trickles()) {
            fail(HttpError::Timeout);
            break;
        }
        curl_multi_poll(multi, nullptr, 0, pollMilliseconds(), nullptr);
    }
    return m_error;
}

void HttpRequest::Transfer::collectMessages()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_connection->multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        Transfer* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        if (owner)
            owner->complete(message->data.result);
    }
}

void HttpRequest::Transfer::complete(CURLcode result)
{
    if (m_done)
        return;
    m_done = true;
    m_error = fromCurl(result, m_easy);
    // libcurl refuses the scheme of a redirect's target (see configure) as
    // it would an unknown one: the redirect failed.
    if (result == CURLE_UNSUPPORTED_PROTOCOL && !m_headersDone && m_blockStatus / 100 == 3 && m_blockHasLocation)
        m_error = HttpError::RedirectFailed;
    // A response without a body to deliver (or one whose redirect was not
    // followed) ends without the callbacks having marked its headers final.
    if (m_error == HttpError::None && !m_headersDone)
        finishHeaders();
}

void HttpRequest::Transfer::fail(HttpError error)
{
    m_done = true;
    m_error = error;
    curl_multi_remove_handle(m_connection->multi, m_easy);
}

// Nothing received (or sent, while the body goes out) for longer than the
// time-out; the connect phase has libcurl's own limit.
bool HttpRequest::Transfer::stalled() const
{
    if (!m_connected)
        return false;
    const qint64 limit = currentLimit();
    if (limit <= 0)
        return false;
    return Clock::now() - m_lastProgress >= std::chrono::milliseconds(limit);
}

// A server that sends a byte now and then, each before the time-out runs
// out, would hold the transfer for ever: over each stretch of waiting as
// long as the receive time-out, the response must bring at least one byte
// per second of it. Only the time spent waiting for the server counts, from
// the connection on; a steady transfer, however slow, has its bytes long
// before.
bool HttpRequest::Transfer::trickles()
{
    const qint64 limit = m_connection->settings->timeout(HttpTimeout::Receive);
    if (!m_connected || limit <= 0 || currentLimit() != limit) {
        restartRateWindow();
        return false;
    }
    if (m_rateWaited < std::chrono::milliseconds(limit))
        return false;
    if (m_rateBytes * 1000 < limit)
        return true;
    restartRateWindow();
    return false;
}

void HttpRequest::Transfer::restartRateWindow()
{
    m_rateWaited = Clock::duration::zero();
    m_rateBytes = 0;
}

qint64 HttpRequest::Transfer::currentLimit() const
{
    const bool sending = m_verb == "POST" && m_uploaded < curl_off_t(m_body.size());
    return m_connection->settings->timeout(sending ? HttpTimeout::Send : HttpTimeout::Receive);
}

// Long enough not to spin, short enough to notice a stall in time.
int HttpRequest::Transfer::pollMilliseconds() const
{
    const qint64 limit = currentLimit();
    if (!m_connected || limit <= 0)
        return 1000;
    const qint64 waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_lastProgress).count();
    const qint64 windowWaited = std::chrono::duration_cast<std::chrono::milliseconds>(m_rateWaited).count();
    return int(std::clamp<qint64>(std::min(limit - waited, limit - windowWaited), 1, 1000));
}

void HttpRequest::Transfer::noteUploadProgress()
{
    curl_off_t uploaded = 0;
    if (curl_easy_getinfo(m_easy, CURLINFO_SIZE_UPLOAD_T, &uploaded) == CURLE_OK && uploaded > m_uploaded) {
        m_uploaded = uploaded;
        markProgress();
    }
}

void HttpRequest::Transfer::finishHeaders()
{
    m_headersDone = true;
    m_statusCode = m_blockStatus;
    m_headers = m_blockHeaders;
}

size_t HttpRequest::Transfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<Transfer*>(self);
    const size_t bytes = size * count;
    t->markProgress();
    t->m_rateBytes += qint64(bytes);
    if (t->m_headersDone)
        return bytes; // trailers of a chunked body
    const QByteArray line = QByteArray(data, int(bytes)).trimmed();
    if (line.startsWith("HTTP/")) {
        const QList<QByteArray> parts = line.split(' ');
        t->m_blockStatus = parts.size() > 1 ? parts.at(1).toInt() : 0;
        t->m_blockHasLocation = false;
        t->m_blockHeaders.clear();
    } else if (line.isEmpty()) {
        // The end of one response's headers. Interim responses (1xx) and
        // redirects, which libcurl follows, are not the final one.
        const bool redirect = t->m_blockStatus / 100 == 3 && t->m_blockHasLocation;
        // The receive time-out stays on across a redirect: libcurl reads
        // the redirect's body before the next hop, which may stall too.
        if (t->m_blockStatus >= 200 && !redirect)
            t->finishHeaders();
    } else {
        t->m_blockHeaders.append(line);
        // libcurl follows no empty Location.
        if (startsWithNoCase(line, "location:") && !line.mid(9).trimmed().isEmpty())
            t->m_blockHasLocation = true;
    }
    return bytes;
}

size_t HttpRequest::Transfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<Transfer*>(self);
    const size_t bytes = size * count;
    if (t->pendingBytes() > 0 && t->pendingBytes() + bytes > kPendingLimit) {
        t->m_paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (!t->m_headersDone)
        t->finishHeaders();
    t->m_pending.erase(t->m_pending.begin(), t->m_pending.begin() + std::ptrdiff_t(t->m_pendingPos));
    t->m_pendingPos = 0;
    t->m_pending.insert(t->m_pending.end(), data, data + bytes);
    t->markProgress();
    t->m_rateBytes += qint64(bytes);
    return bytes;
}

int HttpRequest::Transfer::onConnected(void* self, char*, char*, int, int)
{
    auto* t = static_cast<Transfer*>(self);
    t->m_connected = true;
    t->markProgress();
    return CURL_PREREQFUNC_OK;
}

HttpError HttpRequest::Transfer::statusCode(int* code) const
{
    if (!m_headersDone)
        return HttpError::IncorrectHandleState;
    if (m_statusCode <= 0)
        return HttpError::HeaderNotFound;
    *code = m_statusCode;
    return HttpError::None;
}

HttpError HttpRequest::Transfer::header(const QByteArray& name, QByteArray* value) const
{
    if (!m_headersDone)
        return HttpError::IncorrectHandleState;
    const QByteArray prefix = name + ':';
    for (const QByteArray& line : m_headers) {
        if (startsWithNoCase(line, prefix)) {
            *value = line.mid(prefix.size()).trimmed();
            return HttpError::None;
        }
    }
    return HttpError::HeaderNotFound;
}

HttpError HttpRequest::Transfer::bytesAvailable(qint64* count)
{
    if (!m_headersDone)
        return HttpError::IncorrectHandleState;
    waitUntil([this] { return pendingBytes() > 0; });
    if (pendingBytes() == 0 && m_error != HttpError::None)
        return m_error;
    *count = qint64(pendingBytes());
    return HttpError::None;
}

HttpError HttpRequest::Transfer::read(char* buffer, qint64 max, qint64* count)
{
    *count = 0;
    if (!m_headersDone)
        return HttpError::IncorrectHandleState;
    if (max <= 0)
        return HttpError::None;
    waitUntil([this] { return pendingBytes() > 0; });
    const size_t n = std::min(pendingBytes(), size_t(max));
    if (n == 0)
        return m_error;
    std::memcpy(buffer, m_pending.data() + m_pendingPos, n);
    m_pendingPos += n;
    *count = qint64(n);
    return HttpError::None;
}

// HttpSession

HttpSession::HttpSession(std::shared_ptr<Settings> settings)
    : m_settings(std::move(settings))
{
}

HttpSession::~HttpSession() = default;

std::unique_ptr<HttpSession> HttpSession::open(const QString& userAgent, HttpError* error)
{
    if (!libraryReady()) {
        *error = HttpError::Internal;
        return nullptr;
    }
    auto settings = std::make_shared<Settings>();
    settings->userAgent = userAgent.toUtf8();
    *error = HttpError::None;
    return std::unique_ptr<HttpSession>(new HttpSession(std::move(settings)));
}

HttpError HttpSession::setTimeout(HttpTimeout which, qint64 milliseconds)
{
    if (milliseconds < 0)
        return HttpError::InvalidOption;
    m_settings->timeouts[size_t(which)] = milliseconds;
    return HttpError::None;
}

std::unique_ptr<HttpServerConnection> HttpSession::connect(const QString& host, quint16 port, const QString& user,
                                                           const QString& password, HttpError* error)
{
    QByteArray urlHost;
    if (!hostForUrl(host, &urlHost)) {
        *error = HttpError::InvalidUrl;
        return nullptr;
    }
    if (port == 0) {
        *error = HttpError::InvalidParameter;
        return nullptr;
    }
    auto data = std::make_shared<HttpServerConnection::Data>();
    data->multi = curl_multi_init();
    if (!data->multi) {
        *error = HttpError::OutOfMemory;
        return nullptr;
    }
    data->settings = m_settings;
    data->origin = urlHost + ':' + QByteArray::number(port);
    data->user = user.toUtf8();
    data->password = password.toUtf8();
    *error = HttpError::None;
    return std::unique_ptr<HttpServerConnection>(new HttpServerConnection(std::move(data)));
}

// HttpServerConnection

HttpServerConnection::HttpServerConnection(std::shared_ptr<Data> data)
    : m_data(std::move(data))
{
}

HttpServerConnection::~HttpServerConnection() = default;

std::unique_ptr<HttpRequest> HttpServerConnection::openRequest(const QByteArray& verb, const QByteArray& target,
                                                               int flags, HttpError* error)
{
    if (verb != "GET" && verb != "POST") {
        *error = HttpError::InvalidParameter;
        return nullptr;
    }
    QByteArray url = (flags & Secure) ? "https://" : "http://";
    url += m_data->origin;
    if (!target.startsWith('/'))
        url += '/';
    url += target;
    auto transfer = std::make_unique<HttpRequest::Transfer>(m_data, url, verb, flags);
    if (!transfer->init()) {
        *error = HttpError::OutOfMemory;
        return nullptr;
    }
    *error = HttpError::None;
    return std::unique_ptr<HttpRequest>(new HttpRequest(std::move(transfer)));
}

// HttpRequest

HttpRequest::HttpRequest(std::unique_ptr<Transfer> transfer)
    : m_transfer(std::move(transfer))
{
}

HttpRequest::~HttpRequest() = default;

HttpError HttpRequest::send(const QByteArray& headerLines, const QByteArray& body)
{
    return m_transfer->send(headerLines, body);
}

HttpError HttpRequest::statusCode(int* code) const
{
    return m_transfer->statusCode(code);
}

HttpError HttpRequest::header(const QByteArray& name, QByteArray* value) const
{
    return m_transfer->header(name, value);
}

HttpError HttpRequest::bytesAvailable(qint64* count)
{
    return m_transfer->bytesAvailable(count);
}

HttpError HttpRequest::read(char* buffer, qint64 max, qint64* count)
{
    return m_transfer->read(buffer, max, count);
}

// Test seams

void setHttpTimeoutForTests(HttpTimeout which, qint64 milliseconds)
{
    g_timeoutOverrides[size_t(which)] = std::max<qint64>(0, milliseconds);
}

void setHttpExtraCaFileForTests(const QString& path)
{
    QMutexLocker lock(&g_caMutex);
    g_extraCaFile = path;
}

} // namespace platform
