#pragma once

#include "tests/install/InstallFixture.h"

#include <QProcess>

// A test of an action that a launcher hands over to a copy of itself: the
// installer fixture with a stand-in launcher executable in the source
// folder, and a stand-in for the process that hands over.
class HandOverFixture : public InstallFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The id of a process that has already ended.
    static int endedProcessId();
    // Starts the process that hands over: it lives a moment, runs the shell
    // command as its last act and ends. Returns its id.
    int startParent(const QString& lastCommand);

    QString markerPath() const;

private:
    QProcess m_parent;
};
