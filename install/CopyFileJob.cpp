#include "install/CopyFileJob.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QFileInfo>

namespace install {

CopyFileJob::CopyFileJob(const QString& src, const QString& dst, const QString& title)
    : InstallJob(title), m_src(src), m_dst(dst)
{
}

bool CopyFileJob::execute()
{
    if (!makePath(QFileInfo(m_dst).absolutePath()))
        return false;
    const QString dst = QFileInfo(m_dst).canonicalFilePath();
    m_inPlace = !dst.isEmpty() && dst == QFileInfo(m_src).canonicalFilePath();
    const bool result = m_inPlace || platform::copyWholeFile(m_src, m_dst) == QFileDevice::NoError;
    Log::instance()->debug(QStringLiteral("CopyFileJob: ") + m_dst + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

bool CopyFileJob::rollback()
{
    const bool result = m_inPlace || QFile::remove(m_dst);
    Log::instance()->debug(QStringLiteral("CopyFileJob Rollback: ") + m_dst + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

InstallJobPtr makeCopyFileJob(const QString& fileName, const QString& srcDir, const QString& dstDir,
                              const QString& title)
{
    return std::make_shared<CopyFileJob>(joinPath(srcDir, fileName), joinPath(dstDir, fileName), title);
}

} // namespace install
