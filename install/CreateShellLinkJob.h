#pragma once

#include "install/InstallJob.h"
#include "platform/SaveFile.h"

namespace install {

// One shortcut to the installed launcher. Its rollback puts back a shortcut
// of the same name that it replaced (another installation's), or deletes
// the new one.
class CreateShellLinkJob : public InstallJob
{
public:
    CreateShellLinkJob(const QString& target, const QString& linkPath, const QString& title);

    bool execute() override;
    bool rollback() override;
    void commit() override;

    const QString& target() const { return m_target; }
    const QString& linkPath() const { return m_linkPath; }

private:
    QString m_target;
    QString m_linkPath;
    platform::KeptFile m_replaced;
};

InstallJobPtr makeShellLinkJob(const QString& target, const QString& linkPath, const QString& title);

} // namespace install
