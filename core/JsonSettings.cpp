#include "core/JsonSettings.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>

namespace {

const QString kUnreadable = QStringLiteral(".unreadable");
const int kMaxUnreadableCopies = 100;

// Moves a settings file that cannot be read aside, never over an earlier
// copy; the copy's path, or an empty text when it could not be moved.
QString keepUnreadable(const QString& path)
{
    for (int n = 1; n <= kMaxUnreadableCopies; ++n) {
        const QString kept = path + kUnreadable + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        // Refused where the name is taken.
        if (QFile::rename(path, kept))
            return kept;
        if (!QFileInfo::exists(kept))
            break;
    }
    return QString();
}

} // namespace

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
    // Nothing there, or nothing a settings file could be.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    QString problem;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        file.close();
        // An empty file holds nothing worth keeping.
        if (bytes.trimmed().isEmpty())
            return false;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
        if (error.error == QJsonParseError::NoError) {
            m_object = document.object();
            return true;
        }
        problem = error.errorString() + QStringLiteral(" at offset ") + QString::number(error.offset);
    }
    const QString kept = keepUnreadable(path);
    Log::instance()->critical(QStringLiteral("Settings load failed: ") + path + QStringLiteral(": ") + problem
                              + (kept.isEmpty() ? QStringLiteral("; the file could not be kept aside")
                                                : QStringLiteral("; the file is kept as ") + kept));
    return false;
}

QString JsonSettings::unreadableCopyTarget(const QString& entryName)
{
    static const QRegularExpression copy(QStringLiteral("^(.+)\\.unreadable(\\.[2-9]|\\.[1-9][0-9]+)?$"));
    return copy.match(entryName).captured(1);
}

bool JsonSettings::save(const QString& path) const
{
    return platform::saveWholeFile(path, QJsonDocument(m_object).toJson(QJsonDocument::Indented))
        == QFileDevice::NoError;
}

void saveLauncherSettings(IProgramSettings* settings)
{
    auto json = dynamic_cast<JsonSettings*>(settings);
    if (json && !json->save(launcherConfigPath()))
        Log::instance()->critical(QStringLiteral("failed to save settings: ") + launcherConfigPath());
}
