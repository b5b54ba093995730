#include "net/HttpConnection.h"

#include "core/Log.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace net {

HttpConnection::~HttpConnection() = default;

bool HttpConnection::connectToUrl(const QUrl& url)
{
    return connect(url.host(QUrl::FullyDecoded), quint16(url.port(80)));
}

bool HttpConnection::getJson(const QUrl& url, QJsonObject* out, const HttpHeaders& headers)
{
    QByteArray bytes;
    if (!get(url, &bytes, headers))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        Log::instance()->critical(QStringLiteral("json decode failed: %1; %2").arg(int(error.error)).arg(error.errorString()));
        return false;
    }
    *out = document.object();
    return true;
}

QString formatHeaders(const HttpHeaders& headers)
{
    QString text;
    for (auto it = headers.constBegin(); it != headers.constEnd(); ++it)
        text += it.key() + QStringLiteral(": ") + it.value() + QLatin1Char('\n');
    return text;
}

} // namespace net
