// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl-C (SIGINT) and SIGTERM while vestiscop-cli scan runs. Ending the
// process at once would leave a real scanner in the middle of a page, so
// while an object of this class lives the two signals are only noted: the
// scan's wait loop asks signal() between messages, cancels the device,
// saves and prints nothing of the scan, and the command ends with
// 128 + the signal's number (130, 143).
//
// The signals are blocked in the thread that creates the object, so the
// scanner's threads, started later, inherit the block and no device read is
// interrupted; a thread that was running before gets a handler that only
// notes the signal.

#include <chrono>
#include <csignal>

namespace vestiscop::app::cli {

class ScanInterruption {
public:
    ScanInterruption();
    // Restores the signal mask and the handlers that were there before.
    ~ScanInterruption();
    ScanInterruption(const ScanInterruption&) = delete;
    ScanInterruption& operator=(const ScanInterruption&) = delete;

    // The signal received so far, 0 when none.
    int signal() const;
    // How often the wait loop looks for a signal: often enough that Ctrl-C
    // is answered at once.
    static constexpr std::chrono::milliseconds CheckInterval{100};
    // The command's exit status after the signal: 128 + signal().
    int exitStatus() const { return 128 + signal(); }
    // The string-table id of the line the command leaves on standard error
    // and in the log: "Skenování přerušeno".
    static constexpr int InterruptedText = 3104;

private:
    sigset_t m_previousMask{};
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

} // namespace vestiscop::app::cli
