#pragma once

#include "install/InstallOptions.h"

#include <QList>
#include <QString>

#include <memory>

namespace install {

class InstallJournal;

// One step of an install that can be carried out and undone. The same jobs
// serve the install (execute in order, roll back the done ones on failure),
// the uninstall (roll back all, last to first) and the direct copy of the
// launcher files (execute only). A job fails only through its result and its
// own log line.
//
// A job that replaces something of an earlier installation keeps it from
// execute on, so that its rollback puts it back as it was; what it keeps is
// let go by commit, once the whole list has run, or with the job. With a
// journal (the runners give one), every change is written down there before
// it is made, so that an install cut off in the middle can be rolled back
// later. A rollback of a job that did not execute (the uninstall) removes
// what it would have made, as far as that describes this installation.
class InstallJob
{
public:
    explicit InstallJob(const QString& title) : m_title(title) {}
    virtual ~InstallJob() = default;

    virtual bool execute() = 0;
    virtual bool rollback() = 0;
    // The list has run to its end: what a rollback would need goes.
    virtual void commit() {}

    // The runner hands over its options right before every call, and the
    // journal of the install, if any.
    void setOptions(const InstallOptions& options) { m_opts = options; }
    void setJournal(InstallJournal* journal) { m_journal = journal; }
    // Already translated; the progress message of the step.
    const QString& title() const { return m_title; }
    // Why the last execute failed, for the runner's log line; may be empty.
    const QString& failure() const { return m_failure; }

protected:
    InstallOptions m_opts;
    QString m_title;
    InstallJournal* m_journal = nullptr;
    QString m_failure;
};

using InstallJobPtr = std::shared_ptr<InstallJob>;
using InstallJobList = QList<InstallJobPtr>;

} // namespace install
