#include "install/WriteUninstallRegistry.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "install/LauncherFiles.h"
#include "platform/Registry.h"

#include <QDir>

namespace install {

RegKeyGuard::~RegKeyGuard()
{
    if (m_key.isOpen())
        m_key.close();
}

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

bool WriteUninstallRegistry::execute()
{
    const QString key = keyPath(m_product);
    QList<platform::RegistryValue> previous;
    const bool hadEntry = platform::readRegistryKey(key, &previous) == platform::RegistrySuccess;
    m_hadEntry = false;
    m_previous.clear();
    platform::RegistryKey handle;
    long result = handle.create(key);
    if (result != platform::RegistrySuccess) {
        Log::instance()->debug(QStringLiteral("WriteUninstallRegistry: ") + key + QStringLiteral("; result ")
                               + QString::number(result));
        return false;
    }
    RegKeyGuard guard(handle);

    const QString location = QDir::toNativeSeparators(m_opts.m_path);
    const QString executable = QDir::toNativeSeparators(joinPath(location, launcherExeName()));
    const struct {
        const char* name;
        QString text;
        bool isNumber;
    } values[] = {
        {"DisplayIcon", executable, false},
        {"DisplayName", m_product.title, false},
        {"DisplayVersion", m_product.version.toString(), false},
        {"InstallLocation", location, false},
        {"NoModify", QString(), true},
        {"NoRepair", QString(), true},
        // Not quoted, also when the path has spaces.
        {"UninstallString", executable + QStringLiteral(" --uninstall"), false},
        {"URLInfoAbout", m_product.webSite, false},
        {"Publisher", m_product.company, false},
    };
    for (const auto& value : values) {
        const QString name = QString::fromLatin1(value.name);
        result = value.isNumber ? handle.setNumber(name, 1) : handle.setText(name, value.text);
        if (result != platform::RegistrySuccess) {
            Log::instance()->debug(QStringLiteral("WriteUninstallRegistry: ") + key + QLatin1Char(' ') + name
                                   + QStringLiteral("; result ") + QString::number(result));
            // Half of the new entry over another installation's would
            // describe neither; a new key keeps its first values.
            if (hadEntry) {
                m_hadEntry = true;
                m_previous = previous;
                restorePrevious();
            }
            return false;
        }
    }
    m_hadEntry = hadEntry;
    m_previous = previous;
    return true;
}

bool WriteUninstallRegistry::rollback()
{
    if (m_hadEntry)
        return restorePrevious();
    return platform::deleteRegistryKey(keyPath(m_product)) == platform::RegistrySuccess;
}

void WriteUninstallRegistry::commit()
{
    m_hadEntry = false;
    m_previous.clear();
}

bool WriteUninstallRegistry::restorePrevious()
{
    const long result = platform::writeRegistryKey(keyPath(m_product), m_previous);
    if (result != platform::RegistrySuccess)
        Log::instance()->debug(QStringLiteral("WriteUninstallRegistry Rollback: ") + keyPath(m_product)
                               + QStringLiteral("; result ") + QString::number(result));
    m_hadEntry = false;
    m_previous.clear();
    return result == platform::RegistrySuccess;
}

InstallJobPtr makeUninstallRegistryJob(const ProductInfo& product, const QString& title)
{
    return std::make_shared<WriteUninstallRegistry>(product, title);
}

} // namespace install
