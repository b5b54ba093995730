#pragma once

#include "core/ProductInfo.h"
#include "install/InstallJob.h"

namespace platform {
class RegistryKey;
}

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
class WriteUninstallRegistry : public InstallJob
{
public:
    WriteUninstallRegistry(const ProductInfo& product, const QString& title);

    bool execute() override;
    bool rollback() override;

    // "Software\MIcrosoft\Windows\CurrentVersion\Uninstall\" and the appId.
    static QString keyPath(const ProductInfo& product);

private:
    ProductInfo m_product;
};

InstallJobPtr makeUninstallRegistryJob(const ProductInfo& product, const QString& title);

} // namespace install
