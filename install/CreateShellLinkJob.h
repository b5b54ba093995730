#pragma once

#include "install/InstallJob.h"

namespace install {

// One shortcut to the installed launcher.
class CreateShellLinkJob : public InstallJob
{
public:
    CreateShellLinkJob(const QString& target, const QString& linkPath, const QString& title);

    bool execute() override;
    bool rollback() override;

    const QString& target() const { return m_target; }
    const QString& linkPath() const { return m_linkPath; }

private:
    QString m_target;
    QString m_linkPath;
};

InstallJobPtr makeShellLinkJob(const QString& target, const QString& linkPath, const QString& title);

} // namespace install
