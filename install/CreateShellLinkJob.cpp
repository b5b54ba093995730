#include "install/CreateShellLinkJob.h"

#include "core/Log.h"
#include "install/InstallJournal.h"
#include "install/LauncherFiles.h"
#include "platform/ShellLink.h"

#include <QDir>
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
    m_executed = false;
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
    m_executed = code >= 0;
    m_failure = m_executed ? QString() : QStringLiteral("cannot write ") + m_linkPath;
    return m_executed;
}

bool CreateShellLinkJob::rollback()
{
    bool result = false;
    if (m_replaced.isKept())
        result = m_replaced.restore();
    else if (m_executed || startsTarget())
        result = QFile::remove(m_linkPath);
    // The uninstall leaves a shortcut of the same name that starts another
    // installation: there is only one of each name, and it is that one's.
    m_executed = false;
    Log::instance()->debug(QStringLiteral("CreateShellLinkJob Rollback: ") + m_linkPath + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

void CreateShellLinkJob::commit()
{
    m_replaced.discard();
    m_executed = false;
}

bool CreateShellLinkJob::startsTarget() const
{
    const QString started = platform::shellLinkTarget(m_linkPath);
    return !started.isEmpty() && QDir::cleanPath(started) == QDir::cleanPath(m_target);
}

InstallJobPtr makeShellLinkJob(const QString& target, const QString& linkPath, const QString& title)
{
    return std::make_shared<CreateShellLinkJob>(target, linkPath, title);
}

} // namespace install
