#pragma once

#include "core/ProductInfo.h"
#include "install/InstallJob.h"
#include "platform/Registry.h"

namespace install {

// Closes an open registry key when it leaves scope, on every path out of
// the job.
class RegKeyGuard
{
public:
    explicit RegKeyGuard(platform::RegistryKey& key) : m_key(key) {}
    ~RegKeyGuard();
    RegKeyGuard(const RegKeyGuard&) = delete;
    RegKeyGuard& operator=(const RegKeyGuard&) = delete;

private:
    platform::RegistryKey& m_key;
};

// The per-user uninstall entry of a product, the one that the desktop's
// software list reads: its key under HKEY_CURRENT_USER with nine values.
// An entry that was there before (another installation's) is put back as it
// was by the rollback, and by execute itself when a value cannot be written;
// without one, the rollback deletes the key.
class WriteUninstallRegistry : public InstallJob
{
public:
    WriteUninstallRegistry(const ProductInfo& product, const QString& title);

    bool execute() override;
    bool rollback() override;
    void commit() override;

    // "Software\MIcrosoft\Windows\CurrentVersion\Uninstall\" and the appId.
    static QString keyPath(const ProductInfo& product);

private:
    // Puts the entry that execute found back; false when that fails.
    bool restorePrevious();

    ProductInfo m_product;
    bool m_hadEntry = false;
    QList<platform::RegistryValue> m_previous;
};

InstallJobPtr makeUninstallRegistryJob(const ProductInfo& product, const QString& title);

} // namespace install
