#include "install/CreateShellLinkJob.h"

#include "core/Log.h"
#include "install/InstallJournal.h"
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
    m_replaced.discard();
    // Negated file errors, as the link layer reports them: here the entry
    // that stands in the way could not be kept.
    int code = -int(QFileDevice::RenameError);
    if (InstallJournal::keep(m_journal, m_linkPath, m_replaced)) {
        // The icon travels with the launcher files, beside the executable.
        const QString icon = QFileInfo(m_target).absolutePath() + QLatin1Char('/') + launcherIconName();
        code = platform::createShellLink(m_target, m_linkPath, icon);
        if (code < 0)
            m_replaced.discard();
    }
    Log::instance()->debug(QStringLiteral("CreateShellLinkJob: ") + m_linkPath + QStringLiteral("; result ")
                           + QString::number(code));
    m_failure = code >= 0 ? QString() : QStringLiteral("cannot write ") + m_linkPath;
    return code >= 0;
}

bool CreateShellLinkJob::rollback()
{
    const bool result = m_replaced.isKept() ? m_replaced.restore() : QFile::remove(m_linkPath);
    Log::instance()->debug(QStringLiteral("CreateShellLinkJob Rollback: ") + m_linkPath + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

void CreateShellLinkJob::commit()
{
    m_replaced.discard();
}

InstallJobPtr makeShellLinkJob(const QString& target, const QString& linkPath, const QString& title)
{
    return std::make_shared<CreateShellLinkJob>(target, linkPath, title);
}

} // namespace install
