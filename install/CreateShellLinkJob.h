#pragma once

#include "install/InstallJob.h"
#include "platform/SaveFile.h"

namespace install {

// One shortcut to the installed launcher. Its rollback puts back a shortcut
// of the same name that it replaced (another installation's), or deletes
// the new one. The rollback of a job that did not execute (the uninstall)
// deletes the shortcut only when it starts this installation's launcher.
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
    bool startsTarget() const;

    QString m_target;
    QString m_linkPath;
    bool m_executed = false;
    platform::KeptFile m_replaced;
};

InstallJobPtr makeShellLinkJob(const QString& target, const QString& linkPath, const QString& title);

} // namespace install
