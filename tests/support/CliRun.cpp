// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRun.h"

#include <chrono>

namespace vestiscop::testsupport {

std::string cliProgram()
{
    return std::string(VESTISCOP_BINARY_DIR) + "/app/vestiscop-cli";
}

ChildOptions cliOptions(const std::string& directory)
{
    ChildOptions options;
    options.workingDirectory = directory;
    options.environment = {{"XDG_DATA_HOME", directory + "/xdg"},
                           {"ASAN_OPTIONS", "detect_leaks=1"},
                           {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"}};
    options.unset = {"VESTISCOP_SHIPPED_DATA"};
    return options;
}

ChildResult runCli(const std::string& directory, const std::vector<std::string>& arguments)
{
    return runCli(arguments, cliOptions(directory));
}

ChildResult runCli(const std::vector<std::string>& arguments, ChildOptions options)
{
    if (!options.timeLimit)
        options.timeLimit = std::chrono::minutes(2);
    return runChild(cliProgram(), arguments, options);
}

} // namespace vestiscop::testsupport
