#include "install/WriteUninstallRegistry.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "install/InstallJournal.h"
#include "install/LauncherFiles.h"

#include <QDir>
#include <QFileInfo>

namespace install {
namespace {

platform::RegistryValue text(const char* name, const QString& data)
{
    platform::RegistryValue value;
    value.name = QString::fromLatin1(name);
    value.text = data;
    return value;
}

platform::RegistryValue flag(const char* name)
{
    platform::RegistryValue value;
    value.name = QString::fromLatin1(name);
    value.type = platform::RegistryValue::Number;
    value.number = 1;
    return value;
}

QString valueText(const QList<platform::RegistryValue>& entry, const char* name)
{
    for (const platform::RegistryValue& value : entry) {
        if (value.type == platform::RegistryValue::Text
            && QString::compare(value.name, QLatin1String(name), Qt::CaseInsensitive) == 0)
            return value.text;
    }
    return QString();
}

} // namespace

WriteUninstallRegistry::WriteUninstallRegistry(const ProductInfo& product, const QString& title)
    : InstallJob(title), m_product(product)
{
}

QString WriteUninstallRegistry::keyPath(const ProductInfo& product)
{
    // The capital I is as it always was; the store compares names without
    // regard to case, so this is the standard key.
    return QStringLiteral("Software\\MIcrosoft\\Windows\\CurrentVersion\\Uninstall\\") + product.appId;
}

bool WriteUninstallRegistry::describes(const QList<platform::RegistryValue>& entry, const QString& folder)
{
    QString named = QDir::fromNativeSeparators(valueText(entry, "InstallLocation"));
    if (named.isEmpty()) {
        const QString icon = QDir::fromNativeSeparators(valueText(entry, "DisplayIcon"));
        if (!icon.isEmpty())
            named = QFileInfo(icon).path();
    }
    return !named.isEmpty() && QDir::cleanPath(named) == QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

bool WriteUninstallRegistry::execute()
{
    const QString key = keyPath(m_product);
    m_executed = false;
    m_hadEntry = false;
    m_previous.clear();
    m_failure.clear();

    const QString location = QDir::toNativeSeparators(m_opts.m_path);
    const QString executable = QDir::toNativeSeparators(joinPath(location, launcherExeName()));
    const QList<platform::RegistryValue> values = {
        text("DisplayIcon", executable),
        text("DisplayName", m_product.title),
        text("DisplayVersion", m_product.version.toString()),
        text("InstallLocation", location),
        flag("NoModify"),
        flag("NoRepair"),
        // Not quoted, also when the path has spaces.
        text("UninstallString", executable + QStringLiteral(" --uninstall")),
        text("URLInfoAbout", m_product.webSite),
        text("Publisher", m_product.company),
    };
    bool hadEntry = false;
    QList<platform::RegistryValue> previous;
    const long result = platform::replaceRegistryKey(
        key, values, [&](bool existed, const QList<platform::RegistryValue>& found) {
            hadEntry = existed;
            previous = found;
            return !m_journal || m_journal->recordEntry(key, existed, found);
        });
    if (result != platform::RegistrySuccess) {
        Log::instance()->debug(QStringLiteral("WriteUninstallRegistry: ") + key + QStringLiteral("; result ")
                               + QString::number(result));
        m_failure = QStringLiteral("cannot write the uninstall entry: result ") + QString::number(result);
        return false;
    }
    m_executed = true;
    m_hadEntry = hadEntry;
    m_previous = previous;
    return true;
}

bool WriteUninstallRegistry::rollback()
{
    const QString key = keyPath(m_product);
    long result = platform::RegistryNotFound;
    if (m_executed && m_hadEntry) {
        result = platform::writeRegistryKey(key, m_previous);
        if (result != platform::RegistrySuccess)
            Log::instance()->debug(QStringLiteral("WriteUninstallRegistry Rollback: ") + key
                                   + QStringLiteral("; result ") + QString::number(result));
    } else {
        // The product has one entry; the uninstall of another folder than
        // the one it describes leaves it to that installation.
        QList<platform::RegistryValue> entry;
        if (m_executed
            || (platform::readRegistryKey(key, &entry) == platform::RegistrySuccess && describes(entry, m_opts.m_path)))
            result = platform::deleteRegistryKey(key);
    }
    m_executed = false;
    m_hadEntry = false;
    m_previous.clear();
    return result == platform::RegistrySuccess;
}

void WriteUninstallRegistry::commit()
{
    m_executed = false;
    m_hadEntry = false;
    m_previous.clear();
}

InstallJobPtr makeUninstallRegistryJob(const ProductInfo& product, const QString& title)
{
    return std::make_shared<WriteUninstallRegistry>(product, title);
}

} // namespace install
