#pragma once

#include <QtGlobal>

#include <sys/resource.h>

namespace testsupport {

// Caps the size of the files this process writes (RLIMIT_FSIZE) while it
// lives. SIGXFSZ is ignored meanwhile, so a write beyond the cap fails with
// EFBIG instead of ending the process. The way to make a write fail when
// the tests run as root, where permissions do not stop anything.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

} // namespace testsupport
