// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the stress cases share: how many runs a case makes
// (VESTISCOP_STRESS_RUNS, 200 unless set), and CPU load from one busy
// process per core for as long as a CpuLoad lives.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vestiscop::stress {

inline int runs()
{
    const char* chosen = std::getenv("VESTISCOP_STRESS_RUNS");
    return chosen && std::atoi(chosen) > 0 ? std::atoi(chosen) : 200;
}

class CpuLoad {
public:
    CpuLoad()
    {
        for (long i = 0; i < std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)); ++i) {
            const pid_t pid = fork();
            if (pid == 0)
                for (;;)
                    __asm__ __volatile__("");
            if (pid > 0)
                m_children.push_back(pid);
        }
    }
    ~CpuLoad()
    {
        for (pid_t pid : m_children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    CpuLoad(const CpuLoad&) = delete;
    CpuLoad& operator=(const CpuLoad&) = delete;

private:
    std::vector<pid_t> m_children;
};

} // namespace vestiscop::stress
