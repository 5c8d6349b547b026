// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/CliCommand.h"

#include <algorithm>
#include <cstring>

#include "foundation/Exception.h"

namespace vestiscop::app::cli {

namespace {

// A function-local table: registrations run during static initialisation of
// several files, in an order nobody fixes.
std::vector<CliCommand>& registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}

} // namespace

CliCommandRegistration::CliCommandRegistration(const CliCommand& command)
{
    registry().push_back(command);
}

std::vector<CliCommand> cliCommands()
{
    std::vector<CliCommand> commands = registry();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return std::strcmp(a.name, b.name) < 0; });
    return commands;
}

void writeOut(std::FILE* out, const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0)
        throw foundation::SystemError(foundation::systemError::Write, "stdout");
}

bool wantsJson(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (argument == "--")
            return false;
        if (argument == "--json")
            return true;
    }
    return false;
}

} // namespace vestiscop::app::cli
