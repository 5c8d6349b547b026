// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace vestiscop::testsupport {

namespace {

void makePipe(int fds[2])
{
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
}

int countLines(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = -1;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ChildOptions& options)
{
    int inputFile = -1;
    if (!options.inputFile.empty()) {
        inputFile = ::open(options.inputFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (inputFile < 0)
            throw std::runtime_error("cannot open " + options.inputFile);
    }
    int out[2];
    int err[2];
    int in[2];
    makePipe(out);
    makePipe(err);
    makePipe(in);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argp;
    for (std::string& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("fork");
    if (m_pid == 0) {
        // Only async-signal-safe work from here on, then exec.
        ::dup2(inputFile >= 0 ? inputFile : in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (const std::string& name : options.unset)
            ::unsetenv(name.c_str());
        for (const auto& [name, value] : options.environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0)
            ::_exit(126);
        if (options.fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(*options.fileSizeLimit), static_cast<rlim_t>(*options.fileSizeLimit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(126);
        }
        if (options.group && ::setgid(*options.group) != 0)
            ::_exit(126);
        if (options.user && ::setuid(*options.user) != 0)
            ::_exit(126);
        ::execv(program.c_str(), argp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (inputFile >= 0)
        ::close(inputFile);
    m_out = out[0];
    m_err = err[0];
    m_in = in[1];
    if (inputFile < 0) {
        m_pendingInput = options.input;
        m_repeat = options.inputRepeat;
        m_inputLeft = options.inputLimit;
    }
    if (options.timeLimit)
        m_deadline = std::chrono::steady_clock::now() + *options.timeLimit;
    // A child that stops reading must not end the test with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    ::fcntl(m_in, F_SETFL, O_NONBLOCK);
    if (m_pendingInput.empty() && m_repeat.empty()) {
        ::close(m_in);
        m_in = -1;
    }
}

ChildProcess::~ChildProcess()
{
    if (!m_collected && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_out, m_err, m_in}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void ChildProcess::pump(ChildResult& result, int timeoutMs, bool sampleMemory, bool& running)
{
    pollfd fds[3];
    int n = 0;
    if (m_out >= 0)
        fds[n++] = {m_out, POLLIN, 0};
    if (m_err >= 0)
        fds[n++] = {m_err, POLLIN, 0};
    if (m_in >= 0)
        fds[n++] = {m_in, POLLOUT, 0};
    running = n > 0 && (m_out >= 0 || m_err >= 0);
    if (!running)
        return;
    if (sampleMemory) {
        const long kb = residentKb(m_pid);
        if (kb > 0)
            result.memory.emplace_back(countLines(result.out), kb);
    }
    const int ready = ::poll(fds, static_cast<nfds_t>(n), timeoutMs);
    if (ready <= 0)
        return;
    char buffer[65536];
    for (int i = 0; i < n; ++i) {
        if (fds[i].revents == 0)
            continue;
        if (fds[i].fd == m_in) {
            if (m_pendingInput.empty())
                m_pendingInput = m_repeat;
            std::size_t size = m_pendingInput.size();
            if (m_inputLeft > 0)
                size = std::min(size, m_inputLeft - result.inputWritten);
            const ssize_t w = ::write(m_in, m_pendingInput.data(), size);
            if (w > 0) {
                m_pendingInput.erase(0, static_cast<std::size_t>(w));
                result.inputWritten += static_cast<std::size_t>(w);
            }
            const bool done = m_inputLeft > 0 ? result.inputWritten >= m_inputLeft : m_pendingInput.empty() && m_repeat.empty();
            if ((w < 0 && errno != EAGAIN) || done) {
                ::close(m_in);
                m_in = -1;
            }
            continue;
        }
        const ssize_t r = ::read(fds[i].fd, buffer, sizeof buffer);
        if (r > 0) {
            (fds[i].fd == m_out ? result.out : result.err).append(buffer, static_cast<std::size_t>(r));
        } else if (r == 0 || errno != EINTR) {
            int& fd = fds[i].fd == m_out ? m_out : m_err;
            ::close(fd);
            fd = -1;
        }
    }
}

bool ChildProcess::waitForLines(int lines)
{
    bool running = true;
    while (running && countLines(m_result.out) < lines)
        pump(m_result, 1000, false, running);
    return countLines(m_result.out) >= lines;
}

ChildResult ChildProcess::wait(bool sampleMemory)
{
    ChildResult& result = m_result;
    bool running = true;
    while (running) {
        int timeoutMs = sampleMemory ? 5 : 1000;
        if (m_deadline && !result.timedOut) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*m_deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                // Its output up to here stays, for the test to show.
                ::kill(m_pid, SIGKILL);
                result.timedOut = true;
                continue;
            }
            timeoutMs = static_cast<int>(std::min<long>(left.count(), timeoutMs));
        }
        pump(result, timeoutMs, sampleMemory, running);
    }
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_collected = true;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

bool ChildProcess::killAfter(std::chrono::microseconds delay, ChildResult& result)
{
    const auto deadline = std::chrono::steady_clock::now() + delay;
    bool running = true;
    bool killed = false;
    bool sent = false;
    while (running) {
        int timeoutMs = 1000;
        if (!killed) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                // The moment matters more than the output: kill first, read after.
                sent = ::kill(m_pid, SIGKILL) == 0;
                killed = true;
                continue;
            }
            if (left.count() < 2000) {
                std::this_thread::sleep_until(deadline);
                continue;
            }
            timeoutMs = static_cast<int>(std::min<long>(left.count() / 1000 - 1, 1000));
        }
        pump(result, timeoutMs, false, running);
    }
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_collected = true;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        return result.signal == SIGKILL && sent;
    }
    return false;
}

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options)
{
    ChildProcess child(program, arguments, options);
    return child.wait();
}

} // namespace vestiscop::testsupport
