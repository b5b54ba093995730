#include "core/JsonSettings.h"

#include "platform/SaveFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>

void JsonSettings::setValue(const QString& key, const QVariant& value)
{
    m_object.insert(key, QJsonValue::fromVariant(value));
}

QVariant JsonSettings::value(const QString& key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd())
        return QVariant();
    return it.value().toVariant();
}

bool JsonSettings::load(const QString& path)
{
    // A save cut short by a kill leaves its temporary file beside the
    // settings; the settings are read on every start but written seldom.
    platform::removeWriteLeftovers(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return false;
    m_object = document.object();
    return true;
}

bool JsonSettings::save(const QString& path) const
{
    return platform::saveWholeFile(path, QJsonDocument(m_object).toJson(QJsonDocument::Indented))
        == QFileDevice::NoError;
}
