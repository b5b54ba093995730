#pragma once

#include <QtGlobal>

// Progress sink of a patch run, in bytes: done so far of total for the run.
class IPatchProgress
{
public:
    virtual ~IPatchProgress() {}
    virtual void patchProgress(qint64 done, qint64 total) = 0;
};
