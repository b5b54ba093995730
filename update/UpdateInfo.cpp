#include "update/UpdateInfo.h"

#include <QJsonArray>
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

bool UpdateInfo::findDuplicateContentId(QString& productId, QString& id) const
{
    for (const QString& product : {kGameProductId, kLauncherProductId}) {
        ProductUpdateInfo info;
        if (!getObject(product, info))
            continue;
        const QString duplicate = info.duplicateContentId();
        if (!duplicate.isEmpty()) {
            productId = product;
            id = duplicate;
            return true;
        }
    }
    return false;
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
