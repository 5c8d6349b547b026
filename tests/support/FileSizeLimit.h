// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file-size limit for the life of the object stands in for a full disk: a
// write past the limit is accepted only in part, and SIGXFSZ is ignored
// meanwhile so the test process survives it.

#include <signal.h>
#include <sys/resource.h>

namespace vestiscop::testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        ::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    sighandler_t m_previousHandler;
};

} // namespace vestiscop::testsupport
