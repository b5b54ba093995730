#pragma once

#include <QtGlobal>

namespace jdiff {

// Progress sink of the delta decoder: how far it has read into the patch.
class JDiffProgress
{
public:
    virtual ~JDiffProgress() {}
    virtual void jdiffProgress(qint64 patchPos, qint64 patchSize) = 0;
};

} // namespace jdiff
