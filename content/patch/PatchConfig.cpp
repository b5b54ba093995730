#include "content/patch/PatchConfig.h"

#include "core/Log.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

bool PatchConfig::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Log::instance()->critical(QStringLiteral("PatchConfig failed to open: ") + path);
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        Log::instance()->critical(QStringLiteral("PatchConfig failed to load: ") + path + QStringLiteral(" error: ")
                                  + error.errorString());
        return false;
    }
    return assign(document.object());
}

QList<PatchContent> PatchConfig::entries(const QString& key) const
{
    QList<PatchContent> list;
    const QJsonValue array = m_object.value(QStringLiteral("patch")).toObject().value(key);
    if (!array.isArray())
        return list;
    for (const QJsonValue& element : array.toArray()) {
        PatchContent entry;
        entry.assign(element.toObject());
        list.append(entry);
    }
    return list;
}
