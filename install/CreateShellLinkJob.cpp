#include "install/CreateShellLinkJob.h"

#include "core/Log.h"
#include "install/LauncherFiles.h"
#include "platform/ShellLink.h"

#include <QFile>
#include <QFileInfo>

namespace install {

CreateShellLinkJob::CreateShellLinkJob(const QString& target, const QString& linkPath, const QString& title)
    : InstallJob(title), m_target(target), m_linkPath(linkPath)
{
}

bool CreateShellLinkJob::execute()
{
    // The icon travels with the launcher files, beside the executable.
    const QString icon = QFileInfo(m_target).absolutePath() + QLatin1Char('/') + launcherIconName();
    const int code = platform::createShellLink(m_target, m_linkPath, icon);
    Log::instance()->debug(QStringLiteral("CreateShellLinkJob: ") + m_linkPath + QStringLiteral("; result ")
                           + QString::number(code));
    return code >= 0;
}

bool CreateShellLinkJob::rollback()
{
    const bool result = QFile::remove(m_linkPath);
    Log::instance()->debug(QStringLiteral("CreateShellLinkJob Rollback: ") + m_linkPath + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

InstallJobPtr makeShellLinkJob(const QString& target, const QString& linkPath, const QString& title)
{
    return std::make_shared<CreateShellLinkJob>(target, linkPath, title);
}

} // namespace install
