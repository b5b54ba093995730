#pragma once

#include "core/ProductInfo.h"
#include "install/InstallJob.h"
#include "platform/Registry.h"

namespace install {

// The per-user uninstall entry of a product, the one that the desktop's
// software list reads: its key under HKEY_CURRENT_USER with nine values,
// written as one change of the store, which also hands over the entry it
// replaces. Two installs at once therefore leave the one entry or the other,
// never a mix. An entry that was there before (another installation's) is
// put back as it was by the rollback; without one, the rollback deletes the
// key. The rollback of a job that did not execute (the uninstall) deletes
// the entry only when it describes this installation.
class WriteUninstallRegistry : public InstallJob
{
public:
    WriteUninstallRegistry(const ProductInfo& product, const QString& title);

    bool execute() override;
    bool rollback() override;
    void commit() override;

    // "Software\MIcrosoft\Windows\CurrentVersion\Uninstall\" and the appId.
    static QString keyPath(const ProductInfo& product);
    // Whether an entry names the installation in folder: its
    // "InstallLocation", or else the folder of its "DisplayIcon".
    static bool describes(const QList<platform::RegistryValue>& entry, const QString& folder);

private:
    ProductInfo m_product;
    bool m_executed = false;
    bool m_hadEntry = false;
    QList<platform::RegistryValue> m_previous;
};

InstallJobPtr makeUninstallRegistryJob(const ProductInfo& product, const QString& title);

} // namespace install
