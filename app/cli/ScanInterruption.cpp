// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/ScanInterruption.h"

#include <pthread.h>

namespace vestiscop::app::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;

void noteSignal(int number)
{
    g_signal = number;
}

sigset_t scanSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

ScanInterruption::ScanInterruption()
{
    g_signal = 0;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes of other threads go on undisturbed.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_previousInterrupt);
    sigaction(SIGTERM, &action, &m_previousTerminate);
    const sigset_t set = scanSignals();
    pthread_sigmask(SIG_BLOCK, &set, &m_previousMask);
}

ScanInterruption::~ScanInterruption()
{
    // A signal still pending is taken here, not by the restored handler.
    signal();
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
    sigaction(SIGINT, &m_previousInterrupt, nullptr);
    sigaction(SIGTERM, &m_previousTerminate, nullptr);
}

int ScanInterruption::signal() const
{
    if (g_signal == 0) {
        sigset_t pending;
        const sigset_t set = scanSignals();
        if (sigpending(&pending) == 0 && (sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM))) {
            const timespec none{0, 0};
            const int number = sigtimedwait(&set, nullptr, &none);
            if (number > 0)
                g_signal = number;
        }
    }
    return g_signal;
}

} // namespace vestiscop::app::cli
