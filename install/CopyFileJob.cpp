#include "install/CopyFileJob.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "install/InstallJournal.h"
#include "platform/SaveFile.h"
#include "platform/SystemError.h"

#include <QFile>
#include <QFileInfo>

namespace install {

CopyFileJob::CopyFileJob(const QString& src, const QString& dst, const QString& title)
    : InstallJob(title), m_src(src), m_dst(dst)
{
}

bool CopyFileJob::execute()
{
    m_replaced.discard();
    m_failure.clear();
    if (!makePath(QFileInfo(m_dst).absolutePath())) {
        m_failure = QStringLiteral("cannot make the folder of ") + m_dst;
        return false;
    }
    // A link at the destination is replaced like a file, even one that
    // points at the source.
    const QFileInfo dstInfo(m_dst);
    const QString dst = dstInfo.canonicalFilePath();
    m_inPlace = !dstInfo.isSymLink() && !dst.isEmpty() && dst == QFileInfo(m_src).canonicalFilePath();
    bool result = m_inPlace;
    if (!m_inPlace) {
        if (!InstallJournal::keep(m_journal, m_dst, m_replaced)) {
            m_failure = QStringLiteral("cannot keep ") + m_dst + QStringLiteral(": ")
                + platform::systemErrorText();
        } else if (platform::copyWholeFile(m_src, m_dst) != QFileDevice::NoError) {
            m_failure = QStringLiteral("cannot copy ") + m_src + QStringLiteral(" to ") + m_dst + QStringLiteral(": ")
                + platform::systemErrorText();
            m_replaced.discard();
        } else {
            result = true;
        }
    }
    Log::instance()->debug(QStringLiteral("CopyFileJob: ") + m_dst + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

bool CopyFileJob::rollback()
{
    bool result = true;
    if (m_replaced.isKept())
        result = m_replaced.restore();
    else if (!m_inPlace)
        result = QFile::remove(m_dst);
    Log::instance()->debug(QStringLiteral("CopyFileJob Rollback: ") + m_dst + QStringLiteral("; result ")
                           + QString::number(int(result)));
    return result;
}

void CopyFileJob::commit()
{
    m_replaced.discard();
}

InstallJobPtr makeCopyFileJob(const QString& fileName, const QString& srcDir, const QString& dstDir,
                              const QString& title)
{
    return std::make_shared<CopyFileJob>(joinPath(srcDir, fileName), joinPath(dstDir, fileName), title);
}

} // namespace install
