#pragma once

#include "install/InstallJob.h"
#include "platform/SaveFile.h"

namespace install {

// Copies one launcher file. The copy takes the old file's place only when
// complete, so a failed copy leaves the old file as it was; the rollback
// puts back the file it replaced, or deletes the copy where there was none.
class CopyFileJob : public InstallJob
{
public:
    CopyFileJob(const QString& src, const QString& dst, const QString& title);

    bool execute() override;
    bool rollback() override;
    void commit() override;

    const QString& src() const { return m_src; }
    const QString& dst() const { return m_dst; }

private:
    QString m_src;
    QString m_dst;
    // The source is the destination itself (an install into the folder the
    // launcher runs from): nothing was copied, and nothing is rolled back.
    bool m_inPlace = false;
    platform::KeptFile m_replaced;
};

// The file name joined to each of the two directories.
InstallJobPtr makeCopyFileJob(const QString& fileName, const QString& srcDir, const QString& dstDir,
                              const QString& title);

} // namespace install
