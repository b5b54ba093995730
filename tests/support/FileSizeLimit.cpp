#include "tests/support/FileSizeLimit.h"

#include <csignal>

#include <gtest/gtest.h>

namespace testsupport {

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_previous);
    rlimit limit = m_previous;
    limit.rlim_cur = rlim_t(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        ADD_FAILURE() << "cannot limit the file size";
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}

} // namespace testsupport
