#pragma once

#include <QtGlobal>

// Progress sink of one archive extraction, implemented by the update engine.
class ISevenZipCallback
{
public:
    virtual ~ISevenZipCallback() = default;

    // A pair of byte counts, or of file counts while the archive is opened
    // and no byte count is known; (0, 0) when neither total is known yet.
    // Called on the extracting thread or on one of the 7-Zip library's
    // decoder threads, but never on two threads at once.
    virtual void progress(quint64 total, quint64 completed) = 0;
};
