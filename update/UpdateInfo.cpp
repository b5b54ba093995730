#include "update/UpdateInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

const QString kGameProductId = QStringLiteral("qmx");
const QString kLauncherProductId = QStringLiteral("qmx_launcher_en");

bool UpdateContent::hasTorrent() const
{
    return m_object.contains(QStringLiteral("torrent")) && !getString(QStringLiteral("torrent")).trimmed().isEmpty();
}

QUrl UpdateContent::torrentUrl() const
{
    if (!m_object.contains(QStringLiteral("torrent")))
        return QUrl();
    return QUrl(getString(QStringLiteral("torrent")), QUrl::TolerantMode);
}

bool UpdateContent::hasHttp() const
{
    const QJsonValue value = m_object.value(QStringLiteral("http"));
    return value.isArray() && !value.toArray().isEmpty();
}

QList<QUrl> UpdateContent::httpUrls() const
{
    QList<QUrl> urls;
    for (const QJsonValue& element : m_object.value(QStringLiteral("http")).toArray())
        urls.append(QUrl(element.toString(), QUrl::TolerantMode));
    return urls;
}

QList<UpdateContent> ProductUpdateInfo::contents() const
{
    QList<UpdateContent> list;
    for (const QJsonValue& element : m_object.value(QStringLiteral("content")).toArray())
        list.append(UpdateContent(element.toObject()));
    return list;
}

QString ProductUpdateInfo::duplicateContentId() const
{
    QSet<QString> seen;
    for (const UpdateContent& content : contents()) {
        const QString id = content.id();
        if (id.isEmpty())
            continue;
        if (seen.contains(id))
            return id;
        seen.insert(id);
    }
    return QString();
}

QString UpdateInfo::problem() const
{
    for (const QString& productId : {kGameProductId, kLauncherProductId}) {
        ProductUpdateInfo product;
        if (!getObject(productId, product))
            continue;
        if (!product.version().isValid()) {
            const QJsonValue raw = product.object().value(QStringLiteral("version"));
            const QByteArray text = QJsonDocument(QJsonArray{raw}).toJson(QJsonDocument::Compact);
            return QStringLiteral("product version is not a version: ") + productId + QLatin1Char('/')
                   + QString::fromUtf8(text.mid(1, text.size() - 2));
        }
        const QString duplicate = product.duplicateContentId();
        if (!duplicate.isEmpty())
            return QStringLiteral("duplicate content id: ") + productId + QLatin1Char('/') + duplicate;
    }
    return QString();
}

bool lessThan(const UpdateContent& a, const UpdateContent& b)
{
    const Version fromA = a.versionFrom();
    const Version fromB = b.versionFrom();
    // Every invalid "version_from" marks a full package, whatever its
    // numbers: "-2.0.0" and an absent key must sort alike, or the order is
    // not a strict weak order and sorting a crafted manifest is undefined.
    if (fromA == fromB || (!fromA.isValid() && !fromB.isValid()))
        return a.versionTo() < b.versionTo();
    if (!fromA.isValid())
        return false;
    if (!fromB.isValid())
        return true;
    return fromA < fromB;
}
