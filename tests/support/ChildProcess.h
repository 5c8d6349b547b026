// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one of the programs as a child process the way a user or a script
// would: arguments, environment, standard input, a time limit, and both
// output streams and the exit status or signal collected. With the faults
// the reliability tests need: a limit on file size (with SIGXFSZ ignored, so
// a write fails with EFBIG instead of killing the process), another user, a
// kill at a chosen moment, and a record of the child's resident memory while
// it runs.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vestiscop::testsupport {

struct ChildOptions {
    std::string workingDirectory;
    // Added to (or replacing in) the test's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // Taken out of the test's own environment (before environment is added).
    std::vector<std::string> unset;
    // RLIMIT_FSIZE in bytes; SIGXFSZ is ignored in the child.
    std::optional<long> fileSizeLimit;
    // Run as this user and group (only possible as root).
    std::optional<uid_t> user;
    std::optional<gid_t> group;
    // Standard input read from this file; input and inputRepeat are then
    // not used.
    std::string inputFile;
    std::string input;  // written to the child's standard input, then closed
    // Written after input again and again while the child reads, until
    // inputLimit bytes went in all (0: without end) or the child closes it.
    std::string inputRepeat;
    std::size_t inputLimit = 0;
    // wait() kills a child still running after this long (timedOut is then
    // set), so that a program that hangs fails its test instead of stalling
    // the suite.
    std::optional<std::chrono::milliseconds> timeLimit;
};

struct ChildResult {
    int exitCode = -1;      // when it exited
    int signal = 0;         // when a signal ended it
    std::string out;
    std::string err;
    // (lines of standard output so far, resident kB) pairs, when sampled.
    std::vector<std::pair<int, long>> memory;
    std::size_t inputWritten = 0;  // bytes the child's standard input took
    bool timedOut = false;         // killed at ChildOptions::timeLimit

    bool exitedWith(int code) const { return signal == 0 && exitCode == code; }
};

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Sends SIGKILL after the delay unless the child has ended by then;
    // then collects it. Returns whether the kill was sent.
    bool killAfter(std::chrono::microseconds delay, ChildResult& result);
    // Reads output until standard output holds at least lines lines or the
    // child has closed it; returns whether the lines are there. The output
    // read so far stays part of what wait() returns.
    bool waitForLines(int lines);
    // Reads both output streams to their end and collects the child, killing
    // it first when the time limit passes. With
    // sampleMemory, the child's VmRSS is recorded together with the number of
    // output lines seen so far, every few milliseconds.
    ChildResult wait(bool sampleMemory = false);

private:
    void pump(ChildResult& result, int timeoutMs, bool sampleMemory, bool& running);

    ChildResult m_result;
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    int m_in = -1;
    std::string m_pendingInput;
    std::string m_repeat;
    std::size_t m_inputLeft = 0;  // 0: without end
    bool m_collected = false;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
};

// Runs the program to its end (or its time limit).
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options = {});

// The resident set of a process in kB, or -1.
long residentKb(pid_t pid);

} // namespace vestiscop::testsupport
