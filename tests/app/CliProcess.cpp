// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliProcess.h"

#include <fcntl.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace vestiscop::testing {

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

CliResult runCli(const std::string& directory, const std::vector<std::string>& arguments, rlim_t fileSizeLimit)
{
    CliOptions options;
    options.fileSizeLimit = fileSizeLimit;
    return runCli(directory, arguments, options);
}

CliResult runCli(const std::string& directory, const std::vector<std::string>& arguments, const CliOptions& options)
{
    const rlim_t fileSizeLimit = options.fileSizeLimit;
    const std::string program = VESTISCOP_BINARY_DIR "/app/vestiscop-cli";
    // Next to the directory, so that it holds only what the program made.
    const std::string outPath = directory + ".out";
    const std::string errPath = directory + ".err";

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open(options.input.empty() ? "/dev/null" : options.input.c_str(), O_RDONLY);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
            ::chdir(directory.c_str()) != 0)
            ::_exit(127);
        ::setenv("XDG_DATA_HOME", (directory + "/xdg").c_str(), 1);
        ::unsetenv("VESTISCOP_SHIPPED_DATA");
        for (const std::string& variable : options.environment)
            ::putenv(const_cast<char*>(variable.c_str()));
        if (fileSizeLimit > 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    CliResult result;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return result;
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return result;
}

} // namespace vestiscop::testing
