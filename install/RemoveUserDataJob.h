#pragma once

#include "install/InstallJob.h"

namespace install {

// The per-user data folder of the product. Nothing to do on install; the
// rollback (run by the uninstall) deletes the files in it and the folder.
class RemoveUserDataJob : public InstallJob
{
public:
    explicit RemoveUserDataJob(const QString& title) : InstallJob(title) {}

    bool execute() override { return true; }
    bool rollback() override;
};

InstallJobPtr makeRemoveUserDataJob(const QString& title);

} // namespace install
