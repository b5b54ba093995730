#pragma once

#include "install/InstallJob.h"
#include "platform/SaveFile.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace install {

// The record in an installation of the launcher files it holds,
// "QMXLauncher.files": one path relative to the folder per line, in install
// order. The list of launcher files changes between releases (a newer
// library, another plug-in); through the record an installation knows the
// files of an earlier release as its own, an install or self-update removes
// what its list lacks, and the uninstall removes them all.
//
// The runners run this job after their list, outside it. execute records
// the list and removes the files of the earlier record that it lacks,
// keeping both the old record and those files until commit, so that the
// rollback puts them back. With the earlier files kept (a self-update that
// failed part way) nothing is removed and the record names them too. The
// rollback of a job that did not execute (the uninstall) removes every file
// the record names, then the record.
class InstalledFilesJob : public InstallJob
{
public:
    InstalledFilesJob(const QStringList& names, const QString& title);

    bool execute() override;
    bool rollback() override;
    void commit() override;

    void setKeepEarlierFiles(bool keep) { m_keepEarlier = keep; }

private:
    QString folder() const;
    void putBackRemoved();

    QStringList m_names;
    bool m_keepEarlier = false;
    bool m_executed = false;
    platform::KeptFile m_record;
    std::vector<std::unique_ptr<platform::KeptFile>> m_removed;
    QStringList m_removedNames;
};

// "QMXLauncher.files".
QString installedFilesRecordName();
// The names in the record in folder that can name a file in it: relative
// paths without "..", none of the installation's working data. Empty when
// there is no record.
QStringList readInstalledFiles(const QString& folder);
// Removes the folders of the names below folder that are left empty,
// deepest first; the subfolders of the launcher's current files stay, as
// an uninstall leaves them.
void removeEmptiedFolders(const QString& folder, const QStringList& names);

} // namespace install
